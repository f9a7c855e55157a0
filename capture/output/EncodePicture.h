#pragma once

#include <QImage>
#include <QString>
#include <optional>

#include "platform/Error.h"

namespace qm {

class MessageSink;
class OutputFile;

enum class PictureFormat { Bmp, Jpeg, Png, Gif, Tiff, Webp };

// The format that a file name's extension names (case-insensitive): .bmp, .jpg/.jpeg, .png, .gif,
// .tif/.tiff, .webp; nothing for any other extension.
std::optional<PictureFormat> PictureFormatFromPath(const QString& path);

// How a picture is written; `quality` matters to JPEG and WebP only (clamped to 0..100, 0 the lowest;
// WebP at 100 is lossless).
struct PictureOptions
{
    int quality = 90;
    bool tiffWithAlpha = false; // 32 bits per pixel instead of 24
    bool tiffLzw = false; // LZW instead of no compression
};

// Writes `picture` to `path` through a temporary file in the same folder that replaces the target once
// complete and on disk, so a reader never sees half a file and a failure leaves any earlier file as it
// was. Every write is checked: a full disk fails in the system's words.
// Pages are opaque: every format but PNG drops an alpha channel.
Result<void> WritePictureFile(
    const QImage& picture, const QString& path, PictureFormat format, const PictureOptions& options = {});

// The capture's encoder. `format` is "jpg", "gif", "tiff", "png", "webp" or "bmp", compared exactly.
// `colourDepth` (24 or 32) and `compression` (6 none, 2 LZW) are the TIFF settings the pipeline
// passes as 24 and 6; other values give 24 bits and no compression.
// An empty picture or an unknown format writes nothing and fails without a message; a failure to
// encode or write also sends one error message to `messages` (when given), which never blocks.
// Writes atomically to `path`, replacing a file there.
Result<void> EncodePicture(const QImage& picture, const QString& path, const QString& format, int quality,
    int colourDepth, int compression, MessageSink* messages);
// Writes into `file`, which the caller finishes and lands (nothing is landed on failure).
Result<void> EncodePicture(const QImage& picture, OutputFile& file, const QString& format, int quality, int colourDepth,
    int compression, MessageSink* messages);

// The text of the one message, with its number and detail filled in.
QString SaveFailureMessage(int number, const QString& detail);

} // namespace qm
