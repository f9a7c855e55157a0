#pragma once

#include <QByteArray>
#include <QImage>

#include "platform/Error.h"

namespace qm {

// GIF's sizes are 16-bit: nothing wider or taller than this can be written.
inline constexpr int kGifMaxSide = 65535;

// One GIF frame of `picture` (made opaque) with a palette of at most 256 colours chosen by
// libimagequant and dithered. Fails with Unsupported when a side exceeds kGifMaxSide.
Result<QByteArray> EncodeGif(const QImage& picture);

} // namespace qm
