#include "capture/output/WebpEncoder.h"

#include <algorithm>
#include <memory>

#include <webp/encode.h>

namespace qm {

namespace {

// libwebp's lossless effort (0 fastest .. 9 smallest), its own default: on real pages it costs about
// what the lower levels cost and makes files half their size.
constexpr int kLosslessEffort = 6;

int AppendBytes(const uint8_t* data, size_t size, const WebPPicture* picture)
{
    static_cast<QByteArray*>(picture->custom_ptr)->append(reinterpret_cast<const char*>(data), qsizetype(size));
    return 1;
}

QString EncoderError(WebPEncodingError code)
{
    switch (code) {
    case VP8_ENC_ERROR_OUT_OF_MEMORY:
    case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY:
        return QStringLiteral("not enough memory to encode the WebP picture");
    case VP8_ENC_ERROR_PARTITION0_OVERFLOW:
    case VP8_ENC_ERROR_PARTITION_OVERFLOW:
    case VP8_ENC_ERROR_FILE_TOO_BIG:
        return QStringLiteral("the picture is too large for a WebP file");
    default:
        return QStringLiteral("the WebP encoder failed (error %1)").arg(int(code));
    }
}

} // namespace

Result<QByteArray> EncodeWebp(const QImage& picture, int quality)
{
    if (picture.isNull())
        return fail(Error::Code::Unsupported, QStringLiteral("the picture is empty"));
    if (picture.width() > kWebpMaxSide || picture.height() > kWebpMaxSide)
        return fail(Error::Code::Unsupported,
            QStringLiteral("WebP pictures are at most %1 pixels wide and high; this one is %2 x %3")
                .arg(kWebpMaxSide)
                .arg(picture.width())
                .arg(picture.height()));

    WebPConfig config;
    if (!WebPConfigInit(&config))
        return fail(Error::Code::Unsupported, QStringLiteral("the WebP library does not match its header"));
    quality = std::clamp(quality, 0, 100);
    if (quality == 100) {
        WebPConfigLosslessPreset(&config, kLosslessEffort);
    } else {
        config.quality = float(quality);
    }

    // Byte order R, G, B, X on every machine.
    const QImage rgbx = picture.convertToFormat(QImage::Format_RGBX8888);
    WebPPicture input;
    if (!WebPPictureInit(&input))
        return fail(Error::Code::Unsupported, QStringLiteral("the WebP library does not match its header"));
    input.use_argb = config.lossless;
    input.width = rgbx.width();
    input.height = rgbx.height();
    const auto release = std::unique_ptr<WebPPicture, void (*)(WebPPicture*)>(&input, WebPPictureFree);
    if (!WebPPictureImportRGBX(&input, rgbx.constBits(), int(rgbx.bytesPerLine())))
        return fail(Error::Code::Io, QStringLiteral("not enough memory to encode the WebP picture"));

    QByteArray bytes;
    input.writer = AppendBytes;
    input.custom_ptr = &bytes;
    if (!WebPEncode(&config, &input))
        return fail(Error::Code::Io, EncoderError(input.error_code));
    return bytes;
}

} // namespace qm
