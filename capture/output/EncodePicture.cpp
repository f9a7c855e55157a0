#include "capture/output/EncodePicture.h"

#include <QFileInfo>
#include <QImageWriter>
#include <algorithm>
#include <cerrno>

#include "capture/output/GifEncoder.h"
#include "capture/output/OutputFile.h"
#include "capture/output/WebpEncoder.h"
#include "platform/MessageSink.h"

namespace qm {

namespace {

// Numbers for failures that carry no system error number.
constexpr int kEncoderFailed = 1001;
constexpr int kUnsupportedPicture = 1002;
// libjpeg refuses larger sides, and Qt's writer then says only "Unknown error".
constexpr int kJpegMaxSide = 65500;

struct WriteFailure
{
    Error error;
    int number = 0;
};

using WriteResult = std::expected<void, WriteFailure>;

std::unexpected<WriteFailure> Failed(Error::Code code, QString message, int number)
{
    return std::unexpected(WriteFailure { Error { code, std::move(message) }, number });
}

std::unexpected<WriteFailure> FileFailed(const OutputFile& file)
{
    return Failed(Error::Code::Io, file.failure().message, file.errorNumber());
}

QImage Opaque(const QImage& picture)
{
    return picture.hasAlphaChannel() ? picture.convertToFormat(QImage::Format_RGB32) : picture;
}

// The encoded bytes for formats that go through Qt's writers, written straight into `file`.
WriteResult WriteWithQt(const QImage& picture, OutputFile& file, PictureFormat format, const PictureOptions& options)
{
    QImageWriter writer(&file, QByteArray());
    QImage prepared;
    switch (format) {
    case PictureFormat::Bmp:
        writer.setFormat("bmp");
        prepared = Opaque(picture);
        break;
    case PictureFormat::Jpeg:
        writer.setFormat("jpeg");
        // Qt reads a negative quality as "default"; 0 must stay the lowest.
        writer.setQuality(std::clamp(options.quality, 0, 100));
        prepared = Opaque(picture);
        break;
    case PictureFormat::Png:
        writer.setFormat("png");
        prepared = picture;
        break;
    case PictureFormat::Tiff:
        writer.setFormat("tiff");
        writer.setCompression(options.tiffLzw ? 1 : 0);
        // Qt writes RGB888 as three 8-bit samples: exactly 24 bits per pixel.
        prepared = picture.convertToFormat(options.tiffWithAlpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
        break;
    case PictureFormat::Gif:
    case PictureFormat::Webp:
        Q_UNREACHABLE();
    }
    const bool written = writer.write(prepared);
    // The writers may report a failed write as success, or only as "Unknown error": the file knows.
    if (file.failed())
        return FileFailed(file);
    if (!written)
        return Failed(Error::Code::Io, QStringLiteral("encoder: %1").arg(writer.errorString()), kEncoderFailed);
    return {};
}

WriteResult Encode(const QImage& picture, OutputFile& file, PictureFormat format, const PictureOptions& options)
{
    if (picture.isNull())
        return Failed(Error::Code::Unsupported, QStringLiteral("the picture is empty"), kUnsupportedPicture);
    if (format == PictureFormat::Jpeg && (picture.width() > kJpegMaxSide || picture.height() > kJpegMaxSide)) {
        return Failed(Error::Code::Unsupported,
            QStringLiteral("JPEG pictures are at most %1 pixels wide and high; this one is %2 x %3")
                .arg(kJpegMaxSide)
                .arg(picture.width())
                .arg(picture.height()),
            kUnsupportedPicture);
    }
    if (format != PictureFormat::Gif && format != PictureFormat::Webp)
        return WriteWithQt(picture, file, format, options);
    auto encoded = format == PictureFormat::Gif ? EncodeGif(picture) : EncodeWebp(picture, options.quality);
    if (!encoded) {
        int number = encoded.error().code == Error::Code::Unsupported ? kUnsupportedPicture : kEncoderFailed;
        return std::unexpected(WriteFailure { encoded.error(), number });
    }
    if (!file.writeAll(*encoded))
        return FileFailed(file);
    return {};
}

// Encodes into a temporary file that replaces `path` only once complete and on disk.
WriteResult WriteFile(const QImage& picture, const QString& path, PictureFormat format, const PictureOptions& options)
{
    auto file = OutputFile::create(path);
    if (!file)
        return std::unexpected(WriteFailure { file.error(), errno != 0 ? errno : kEncoderFailed });
    if (auto written = Encode(picture, **file, format, options); !written)
        return written;
    if (auto landed = (*file)->land(path, true); !landed)
        return std::unexpected(
            WriteFailure { landed.error(), (*file)->failed() ? (*file)->errorNumber() : kEncoderFailed });
    return {};
}

std::optional<PictureFormat> FormatFromName(const QString& format)
{
    if (format == u"jpg")
        return PictureFormat::Jpeg;
    if (format == u"gif")
        return PictureFormat::Gif;
    if (format == u"tiff")
        return PictureFormat::Tiff;
    if (format == u"png")
        return PictureFormat::Png;
    if (format == u"bmp")
        return PictureFormat::Bmp;
    if (format == u"webp")
        return PictureFormat::Webp;
    return std::nullopt;
}

} // namespace

std::optional<PictureFormat> PictureFormatFromPath(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"bmp")
        return PictureFormat::Bmp;
    if (suffix == u"jpg" || suffix == u"jpeg")
        return PictureFormat::Jpeg;
    if (suffix == u"png")
        return PictureFormat::Png;
    if (suffix == u"gif")
        return PictureFormat::Gif;
    if (suffix == u"tif" || suffix == u"tiff")
        return PictureFormat::Tiff;
    if (suffix == u"webp")
        return PictureFormat::Webp;
    return std::nullopt;
}

Result<void> WritePictureFile(
    const QImage& picture, const QString& path, PictureFormat format, const PictureOptions& options)
{
    auto written = WriteFile(picture, path, format, options);
    if (!written)
        return std::unexpected(written.error().error);
    return {};
}

QString SaveFailureMessage(int number, const QString& detail)
{
    return QStringLiteral("Error:Can't save Image File!!\r\n\r\nError Number:  %1\r\nError detail:  %2")
        .arg(number)
        .arg(detail);
}

namespace {

Result<void> Reported(WriteResult written, MessageSink* messages)
{
    if (written)
        return {};
    if (messages)
        messages->error(SaveFailureMessage(written.error().number, written.error().error.message));
    return std::unexpected(written.error().error);
}

PictureOptions OptionsFor(int quality, int colourDepth, int compression)
{
    PictureOptions options;
    options.quality = quality;
    options.tiffWithAlpha = colourDepth == 32;
    options.tiffLzw = compression == 2;
    return options;
}

} // namespace

Result<void> EncodePicture(const QImage& picture, const QString& path, const QString& format, int quality,
    int colourDepth, int compression, MessageSink* messages)
{
    const auto chosen = FormatFromName(format);
    if (!chosen)
        return fail(Error::Code::Unsupported, QStringLiteral("unknown picture format \"%1\"").arg(format));
    if (picture.isNull())
        return fail(Error::Code::Unsupported, QStringLiteral("the picture is empty"));
    return Reported(WriteFile(picture, path, *chosen, OptionsFor(quality, colourDepth, compression)), messages);
}

Result<void> EncodePicture(const QImage& picture, OutputFile& file, const QString& format, int quality, int colourDepth,
    int compression, MessageSink* messages)
{
    const auto chosen = FormatFromName(format);
    if (!chosen)
        return fail(Error::Code::Unsupported, QStringLiteral("unknown picture format \"%1\"").arg(format));
    if (picture.isNull())
        return fail(Error::Code::Unsupported, QStringLiteral("the picture is empty"));
    return Reported(Encode(picture, file, *chosen, OptionsFor(quality, colourDepth, compression)), messages);
}

} // namespace qm
