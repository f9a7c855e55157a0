#pragma once

#include <QImage>
#include <QString>

#include "platform/Error.h"

namespace qm {

// A JPEG copy of `image` at `percent` of its width and height (each rounded to the nearest whole
// pixel, halves to even), written atomically to `path`, replacing any file there. A size that
// rounds to zero or less, or a size too large to hold, fails and writes nothing.
Result<void> WriteThumbnail(const QImage& image, double percent, const QString& path);

} // namespace qm
