#include "capture/output/EncodePicture.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>

#include "capture/output/GifEncoder.h"
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

std::unexpected<WriteFailure> FileFailed(const QString& what, const QSaveFile& file, int savedErrno)
{
    QString detail
        = QStringLiteral("%1 %2: %3").arg(what, QFileInfo(file.fileName()).absoluteFilePath(), file.errorString());
    return Failed(Error::Code::Io, detail, savedErrno != 0 ? savedErrno : static_cast<int>(file.error()));
}

QImage Opaque(const QImage& picture)
{
    return picture.hasAlphaChannel() ? picture.convertToFormat(QImage::Format_RGB32) : picture;
}

// The encoded bytes for formats that go through Qt's writers, written straight into `device`.
WriteResult WriteWithQt(const QImage& picture, QIODevice& device, PictureFormat format, const PictureOptions& options)
{
    QImageWriter writer(&device, QByteArray());
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
        Q_UNREACHABLE();
    }
    if (!writer.write(prepared))
        return Failed(Error::Code::Io, QStringLiteral("encoder: %1").arg(writer.errorString()), kEncoderFailed);
    return {};
}

WriteResult WriteFile(const QImage& picture, const QString& path, PictureFormat format, const PictureOptions& options)
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
    QByteArray gif;
    if (format == PictureFormat::Gif) {
        auto encoded = EncodeGif(picture);
        if (!encoded) {
            int number = encoded.error().code == Error::Code::Unsupported ? kUnsupportedPicture : kEncoderFailed;
            return std::unexpected(WriteFailure { encoded.error(), number });
        }
        gif = std::move(*encoded);
    }

    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return FileFailed(QStringLiteral("cannot create"), file, errno);
    if (format == PictureFormat::Gif) {
        errno = 0;
        if (file.write(gif) != gif.size())
            return FileFailed(QStringLiteral("cannot write"), file, errno);
    } else if (auto written = WriteWithQt(picture, file, format, options); !written) {
        file.cancelWriting();
        return written;
    }
    errno = 0;
    if (!file.commit())
        return FileFailed(QStringLiteral("cannot write"), file, errno);
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

Result<void> EncodePicture(const QImage& picture, const QString& path, const QString& format, int quality,
    int colourDepth, int compression, MessageSink* messages)
{
    const auto chosen = FormatFromName(format);
    if (!chosen)
        return fail(Error::Code::Unsupported, QStringLiteral("unknown picture format \"%1\"").arg(format));
    if (picture.isNull())
        return fail(Error::Code::Unsupported, QStringLiteral("the picture is empty"));

    PictureOptions options;
    options.quality = quality;
    options.tiffWithAlpha = colourDepth == 32;
    options.tiffLzw = compression == 2;
    auto written = WriteFile(picture, path, *chosen, options);
    if (!written) {
        if (messages)
            messages->error(SaveFailureMessage(written.error().number, written.error().error.message));
        return std::unexpected(written.error().error);
    }
    return {};
}

} // namespace qm
