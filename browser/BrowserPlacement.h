#pragma once

#include <QRect>
#include <QSize>

namespace qm {

// The mini browser's page view sits 6 pixels from the left and 60 from the top, under the band with
// the address box.
inline constexpr int kBrowserLeft = 6;
inline constexpr int kBrowserTop = 60;

// The page view's place after the window's client area became `client`: the full width less the
// left margin on both sides, the height down to the status bar. Each of the two sizes that would not
// be positive keeps its current value (a window shrunk that far, or minimised, leaves the page as it was).
QRect BrowserGeometryFor(const QRect& current, QSize client, int statusBarHeight);

} // namespace qm
