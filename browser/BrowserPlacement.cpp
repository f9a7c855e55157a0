#include "browser/BrowserPlacement.h"

namespace qm {

BrowserPlacement BrowserPlacement::FromPixels(const QRect& r)
{
    return { r.x() * kTwipsPerPixel, r.y() * kTwipsPerPixel, r.width() * kTwipsPerPixel, r.height() * kTwipsPerPixel };
}

QRect BrowserPlacement::toPixels() const
{
    return { left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel, height / kTwipsPerPixel };
}

QRect BrowserGeometryFor(const QRect& current, QSize client, int statusBarHeight)
{
    QRect next(kBrowserLeft, kBrowserTop, current.width(), current.height());
    const int width = client.width() - 2 * kBrowserLeft;
    if (width > 0)
        next.setWidth(width);
    const int height = client.height() - kBrowserTop - statusBarHeight;
    if (height > 0)
        next.setHeight(height);
    return next;
}

} // namespace qm
