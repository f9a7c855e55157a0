#pragma once

#include <QByteArray>
#include <QImage>

#include "platform/Error.h"

namespace qm {

// WebP's sizes are 14-bit: nothing wider or taller than this can be written.
inline constexpr int kWebpMaxSide = 16383;

// `picture` (made opaque) as a WebP file: lossy at `quality` (0..100, clamped), lossless at 100.
// Fails with Unsupported when a side exceeds kWebpMaxSide.
Result<QByteArray> EncodeWebp(const QImage& picture, int quality);

} // namespace qm
