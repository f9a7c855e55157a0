#include "capture/output/Thumbnail.h"

#include "capture/output/EncodePicture.h"
#include "capture/output/Image.h"
#include "settings/ReadingRules.h"

namespace qm {

Result<void> WriteThumbnail(const QImage& image, double percent, const QString& path)
{
    if (image.isNull())
        return fail(Error::Code::Unsupported, QStringLiteral("no picture for the thumbnail"));
    Image thumbnail;
    thumbnail.assign(image);
    const auto width = rules::toInteger(thumbnail.loadedWidth() * percent / 100.0);
    const auto height = rules::toInteger(thumbnail.loadedHeight() * percent / 100.0);
    if (!width || !height)
        return fail(Error::Code::Unsupported, QStringLiteral("thumbnail size %1 % is out of range").arg(percent));
    if (auto resized = thumbnail.setWidth(*width); !resized)
        return resized;
    if (auto resized = thumbnail.setHeight(*height); !resized)
        return resized;
    return WritePictureFile(thumbnail.picture(), path, PictureFormat::Jpeg);
}

} // namespace qm
