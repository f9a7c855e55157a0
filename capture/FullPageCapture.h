#pragma once

#include <functional>

#include "platform/Error.h"
#include "platform/cdp/Snapshot.h"

namespace qm {

namespace cdp {
class Tab;
}

// PrepareFullPage + settle + snapshot of what the tab shows now; gives the page back as it was (styles,
// scroll positions, viewport). The page is brought to the front, its scrolling boxes are opened as the
// request asks, lazy content is loaded, the body's scroll bars, border and margin are stripped, and the
// whole document is rendered at its measured size without stretching the viewport (100vh sections keep
// their height, fixed elements appear once). With a selector, only the first matching element's box is
// taken (waited for within the time limit). The picture has the tab's device scale: scale 2 gives twice
// the CSS pixels on each side, and the request's height cap counts the picture's pixels. Pictures taller
// than the cap are cut there, and the snapshot's note says so. Pictures too large for one capture are
// taken in bands and joined. `done` runs once, on the event loop; not at all when the tab is deleted first.
void CaptureFullPage(
    cdp::Tab& tab, const cdp::SnapshotRequest& request, std::function<void(qm::Result<cdp::Snapshot>)> done);

} // namespace qm
