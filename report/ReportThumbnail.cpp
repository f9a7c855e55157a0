#include "report/ReportThumbnail.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include "platform/FileWrites.h"
#include "report/PngTop.h"

namespace qm {

QSize PictureSize(const QString& picture)
{
    QImageReader reader(picture);
    return reader.canRead() ? reader.size() : QSize();
}

Result<void> WriteReportThumbnail(const QString& picture, const QString& target)
{
    QImageReader reader(picture);
    reader.setAutoTransform(false);
    const QSize full = reader.size();
    const auto band = [&](QSize size) {
        return QRect(0, 0, size.width(),
            std::min(size.height(), size.width() * ReportThumbnailSize.height() / ReportThumbnailSize.width()));
    };
    QImage image;
    if (reader.format() == "png") {
        image = ReadPngTop(picture, band(full).height());
    } else if (full.isValid() && reader.supportsOption(QImageIOHandler::ClipRect)) {
        reader.setClipRect(band(full));
        image = reader.read();
    }
    if (image.isNull()) {
        // Read whole (BMP, GIF, TIFF, an interlaced PNG): a full page is above Qt's usual reading limit.
        constexpr int ReadLimitMb = 2048;
        if (QImageReader::allocationLimit() < ReadLimitMb)
            QImageReader::setAllocationLimit(ReadLimitMb);
        QImageReader whole(picture);
        whole.setAutoTransform(false);
        image = whole.read();
        if (!image.isNull())
            image = image.copy(band(image.size()));
    }
    if (image.isNull())
        return fail(Error::Code::Unsupported, QStringLiteral("cannot read %1: %2").arg(picture, reader.errorString()));
    image = image.scaledToWidth(ReportThumbnailSize.width(), Qt::SmoothTransformation);
    // JPEG has no transparency: see-through parts show white, as a page's background would.
    QImage tile(image.size(), QImage::Format_RGB32);
    tile.fill(Qt::white);
    QPainter(&tile).drawImage(0, 0, image);

    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    if (!buffer.open(QIODevice::WriteOnly) || !tile.save(&buffer, "JPEG", 80))
        return fail(Error::Code::Unsupported, QStringLiteral("cannot make the thumbnail of %1").arg(picture));
    return ReplaceFile(target, jpeg, Durability::Synced);
}

} // namespace qm
