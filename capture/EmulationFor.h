#pragma once

#include "capture/PageControls.h"
#include "platform/cdp/PageEmulation.h"

namespace qm {

// What a tab is told before it loads a page with these controls. A block pattern without '*' matches
// where it appears in an address ("ads.example" is "*ads.example*").
cdp::PageEmulation EmulationFor(const PageControls& controls);

} // namespace qm
