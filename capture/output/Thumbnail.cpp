#include "capture/output/Thumbnail.h"

#include "capture/output/EncodePicture.h"
#include "settings/ReadingRules.h"

namespace qm {

Result<void> WriteThumbnail(const QImage& image, double percent, const QString& path)
{
    if (image.isNull())
        return fail(Error::Code::Unsupported, QStringLiteral("no picture for the thumbnail"));
    const auto width = rules::toInteger(image.width() * percent / 100.0);
    const auto height = rules::toInteger(image.height() * percent / 100.0);
    if (!width || !height)
        return fail(Error::Code::Unsupported, QStringLiteral("thumbnail size %1 % is out of range").arg(percent));
    if (*width <= 0 || *height <= 0)
        return fail(Error::Code::Unsupported, QStringLiteral("cannot resize to %1 x %2").arg(*width).arg(*height));
    // Qt's smooth scaling averages every source pixel under a target pixel when shrinking.
    const QImage thumbnail = image.scaled(*width, *height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (thumbnail.isNull())
        return fail(Error::Code::Unsupported, QStringLiteral("not enough memory for %1 x %2").arg(*width).arg(*height));
    return WritePictureFile(thumbnail, path, PictureFormat::Jpeg);
}

} // namespace qm
