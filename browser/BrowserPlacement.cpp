#include "browser/BrowserPlacement.h"

namespace qm {

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
