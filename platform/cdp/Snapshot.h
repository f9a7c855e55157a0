#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <chrono>

namespace qm::cdp {

// How the pixels of a capture are wanted: decoded (to draw on them) or already encoded by the
// browser (fast path: the bytes are written as they are). A WebP picture taken in bands cannot be
// joined as it is: it comes back decoded instead.
enum class SnapshotEncoding { Decoded, Png, Jpeg, Webp };

// Which scrolling boxes are opened up so that the whole page shows: none, the page's main scroller and
// the sticky or fixed panels it cuts, or every box that scrolls.
enum class ScrollerExpansion { None, Page, All };

struct SnapshotRequest
{
    SnapshotEncoding encoding = SnapshotEncoding::Decoded;
    int jpegQuality = 90; // 0..100, Jpeg and Webp only (lossy)
    std::chrono::milliseconds timeLimit { 60000 }; // for the whole prepare + settle + capture
    // At most this long (within timeLimit) waiting for the page to settle; then it is captured as it is.
    std::chrono::milliseconds settleLimit { 10000 };
    ScrollerExpansion expand = ScrollerExpansion::Page;
    int maxHeight = 100000; // pixels of the picture; taller pages are cut here (endless feeds)
    QString selector; // CSS selector: only the first element it matches is taken (its whole box)
};

struct Snapshot
{
    QSize size; // pixels of the picture: the page's (or the element's) CSS pixels times the device scale
    QImage image; // Decoded
    QByteArray encoded; // Png, Jpeg or Webp: the complete file
    QString note; // what the user should know about a picture that was taken, e.g. "cut at 100000 px"
};

struct PageLoad
{
    QString url;
    int httpStatus = 0; // 0 for file: and data: pages
    QString httpStatusText;
};

} // namespace qm::cdp
