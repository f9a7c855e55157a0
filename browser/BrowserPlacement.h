#pragma once

#include <QRect>
#include <QSize>
#include <QString>

namespace qm {

// The mini browser's page view sits at left 90 and top 900 twips (6 and 60 pixels at 15 twips a
// pixel), under the band with the address box.
inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kBrowserLeftTwips = 90;
inline constexpr int kBrowserTopTwips = 900;
inline constexpr int kBrowserLeft = kBrowserLeftTwips / kTwipsPerPixel;
inline constexpr int kBrowserTop = kBrowserTopTwips / kTwipsPerPixel;

// Left, top, width and height as the window holds them, in twips.
struct BrowserPlacement
{
    qint32 left = 0;
    qint32 top = 0;
    qint32 width = 0;
    qint32 height = 0;

    static BrowserPlacement FromPixels(const QRect& r);
    QRect toPixels() const;
    bool operator==(const BrowserPlacement&) const = default;
};

// The page view's place after the window's client area became `client`: the full width less the
// left margin on both sides, the height down to the status bar. Each of the two sizes that would not
// be positive keeps its current value (a window shrunk that far, or minimised, leaves the page as it was).
QRect BrowserGeometryFor(const QRect& current, QSize client, int statusBarHeight);

} // namespace qm
