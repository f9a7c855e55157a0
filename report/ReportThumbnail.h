#pragma once

#include <QSize>
#include <QString>

#include "platform/Error.h"

namespace qm {

// The report's picture of an output: the top of the page (as wide as it is, 4:3) scaled to a card's
// width, saved as a small JPEG at `target` in one step. Only the top rows are decoded where the
// reader allows it, so a very tall picture costs little more than a short one.
inline constexpr QSize ReportThumbnailSize { 320, 240 };

// The picture's size, read from its header; invalid when it is not a picture Qt reads.
QSize PictureSize(const QString& picture);

Result<void> WriteReportThumbnail(const QString& picture, const QString& target);

} // namespace qm
