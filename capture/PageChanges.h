#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>

#include "platform/Error.h"

namespace qm {

namespace cdp {
class Tab;
}
struct PageControls;

// What the controls do to a loaded page before it is captured, printed or read as text, in this order:
// every selector is checked (an invalid one fails, named); the "wait for" element is awaited until it is
// present and visible; the page settles and the extra delay passes; hidden and removed elements, the
// common overlays and the added style take effect (in one style sheet of their own), the overlays'
// scroll lock is undone, all noted in the page's registry as step kControlsStep; the script runs and is
// awaited (what it changes stays). All of it stays within `limit`, keeping some
// of it for the capture itself. `done` runs once on the event loop; not at all when the tab goes first.
void ChangePage(cdp::Tab& tab, const PageControls& controls, std::chrono::milliseconds limit,
    std::function<void(Result<void>)> done);

// The selectors whose elements the controls take out of sight: hidden, removed and the overlays.
QStringList HiddenSelectors(const PageControls& controls);

// The body's HTML for text output without the elements of `hidden` (text is made from the HTML, which
// style sheets do not change); the page itself is left as it is. No selectors: Tab::bodyHtml.
void BodyHtmlWithout(cdp::Tab& tab, const QStringList& hidden, std::function<void(Result<QString>)> done);

} // namespace qm
