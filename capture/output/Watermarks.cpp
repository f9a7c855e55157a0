#include "capture/output/Watermarks.h"

#include <QFileInfo>
#include <QFont>
#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <optional>

#include "settings/ReadingRules.h"
#include "settings/SettingKeys.h"
#include "settings/StoredColour.h"

namespace qm {

namespace {

// Full pages are tall: a 1280 x 65,535 page needs about 330 MB, above Qt's default reading limit.
constexpr int kReadLimitMb = 2048;
// A font larger than this is a typing mistake, and would make the rasteriser crawl.
constexpr double kMaxPixelSize = 16384;

// A picture QPainter draws on directly (a GIF reads as a palette, a JPEG may read as grey).
QImage Paintable(QImage picture)
{
    switch (picture.format()) {
    case QImage::Format_Invalid:
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return picture;
    default:
        return picture.convertToFormat(
            picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    }
}

struct Anchor
{
    double x = 0;
    double y = 0;
};

Anchor PlacementAnchor(const QString& code, double offsetX, double offsetY, const QImage& image)
{
    if (code == u"1")
        return { image.width() - offsetX, offsetY };
    if (code == u"2")
        return { offsetX, image.height() - offsetY };
    if (code == u"3")
        return { image.width() - offsetX, image.height() - offsetY };
    // "0", "4", and anything else ("-1" when nothing was chosen, a missing key).
    return { offsetX, offsetY };
}

struct TextMark
{
    QString text;
    QString placement;
    double x = 0;
    double y = 0;
    int points = 12; // at 96 dpi (1 pt = 4/3 px)
    bool smooth = true; // antialiased
    QString face; // empty or unknown: the system's default face
    int rotation = 0; // degrees, counter-clockwise, about the anchor
    double transparency = 0; // 0 solid .. 1 invisible
    QColor colour = Qt::black;
};

TextMark ReadTextMark(const SettingsSource& s)
{
    TextMark m;
    m.placement = ReadText(s, keys::TextPlacement);
    m.x = ReadNumber(s, keys::TextX);
    m.y = ReadNumber(s, keys::TextY);
    if (const auto size = ReadInteger(s, keys::TextSize); size && *size > 0)
        m.points = *size;
    if (const auto quality = ReadInteger(s, keys::TextQuality))
        m.smooth = *quality != 0;
    m.face = ReadText(s, keys::TextFont);
    m.rotation = ReadInteger(s, keys::TextRotate).value_or(0);
    m.transparency = std::clamp(double(float(ReadNumber(s, keys::TextTransparency) / 100.0)), 0.0, 1.0);
    if (const auto colour = ReadInteger(s, keys::TextColor))
        m.colour = ColourFromStoredValue(quint32(*colour));
    return m;
}

// The anchor is the top-left corner of the text's box (its left edge and the top of its ascent), so
// text grows right and down from it before rotation.
void StampText(const TextMark& m, QImage& image)
{
    const Anchor anchor = PlacementAnchor(m.placement, m.x, m.y, image);
    const auto x = rules::toInteger(anchor.x);
    const auto y = rules::toInteger(anchor.y);
    const double pixelSize = std::round(m.points * 96.0 / 72.0);
    if (!x || !y || m.text.isEmpty() || pixelSize > kMaxPixelSize)
        return;
    QFont font;
    if (!m.face.isEmpty())
        font.setFamily(m.face);
    font.setPixelSize(int(pixelSize));
    font.setStyleStrategy(m.smooth ? QFont::PreferAntialias : QFont::NoAntialias);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, m.smooth);
    painter.setRenderHint(QPainter::Antialiasing, m.smooth);
    painter.setFont(font);
    painter.setPen(m.colour);
    painter.setOpacity(1.0 - m.transparency);
    painter.translate(*x, *y);
    // Screen y points down, so a counter-clockwise turn is a negative angle for QPainter.
    painter.rotate(-double(m.rotation % 360));
    painter.drawText(0, painter.fontMetrics().ascent(), m.text);
}

struct ImageMark
{
    QString path;
    QString placement;
    double x = 0;
    double y = 0;
    double opacity = 1; // multiplies the picture's own alpha, 0..1
    // Every pixel whose red, green and blue each differ from the key's by at most `tolerance` becomes
    // fully transparent.
    std::optional<QColor> key;
    double tolerance = 0;
};

// Nothing when there is no picture to blend on.
std::optional<ImageMark> ReadImageMark(const SettingsSource& s)
{
    ImageMark m;
    m.path = ReadText(s, keys::WatermarkPicture);
    if (m.path.isEmpty() || !QFileInfo::exists(m.path))
        return std::nullopt;
    m.placement = ReadText(s, keys::ImagePlacement);
    m.x = ReadNumber(s, keys::ImageX);
    m.y = ReadNumber(s, keys::ImageY);
    // A key outside the colours' range (-1 when none was chosen) means no key colour.
    if (const double key = ReadNumber(s, keys::WatermarkKeyColour); std::isfinite(key) && key >= 0 && key <= 0xFFFFFF)
        m.key = ColourFromStoredValue(qint64(key));
    const double tolerance = ReadNumber(s, keys::WatermarkKeyTolerance);
    m.tolerance = std::isfinite(tolerance) ? tolerance : 0.0;
    const double opacity = ReadNumber(s, keys::ImageOpacity) / 100.0;
    m.opacity = std::isfinite(opacity) ? std::clamp(opacity, 0.0, 1.0) : 0.0;
    return m;
}

// Overlay pixels near the key colour become fully transparent.
void ClearKeyColour(QImage& overlay, const QColor& key, double tolerance)
{
    for (int y = 0; y < overlay.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(overlay.scanLine(y));
        for (int x = 0; x < overlay.width(); ++x) {
            const QRgb p = line[x];
            if (std::abs(qRed(p) - key.red()) <= tolerance && std::abs(qGreen(p) - key.green()) <= tolerance
                && std::abs(qBlue(p) - key.blue()) <= tolerance)
                line[x] = 0;
        }
    }
}

// The overlay's top-left corner lands on the anchor; parts outside the picture are cut off.
void Blend(const ImageMark& m, const QImage& overlay, QImage& base)
{
    const Anchor anchor = PlacementAnchor(m.placement, m.x, m.y, base);
    const auto x = rules::toInteger(anchor.x);
    const auto y = rules::toInteger(anchor.y);
    if (!x || !y)
        return;
    const QRect visible = QRect(*x, *y, overlay.width(), overlay.height()).intersected(base.rect());
    if (visible.isEmpty())
        return;
    QImage piece = overlay.copy(visible.translated(-*x, -*y)).convertToFormat(QImage::Format_ARGB32);
    if (m.key)
        ClearKeyColour(piece, *m.key, m.tolerance);
    QPainter painter(&base);
    painter.setOpacity(m.opacity);
    painter.drawImage(visible.topLeft(), piece);
}

// BMP, JPEG, GIF, PNG or TIFF, by content; a null picture when it cannot be read.
QImage ReadPicture(const QString& path)
{
    if (QImageReader::allocationLimit() < kReadLimitMb)
        QImageReader::setAllocationLimit(kReadLimitMb);
    QImageReader reader(path);
    reader.setAutoTransform(false);
    return reader.read();
}

} // namespace

void ApplyTextWatermark(const SettingsSource& s, QImage& image)
{
    const QString text = ReadText(s, keys::WatermarkText);
    if (text.isEmpty() || image.isNull())
        return;
    TextMark m = ReadTextMark(s);
    m.text = text;
    image = Paintable(std::move(image));
    StampText(m, image);
}

QString ApplyImageWatermark(const SettingsSource& s, QImage& image)
{
    if (image.isNull())
        return {};
    const QString path = ReadText(s, keys::WatermarkPicture);
    if (path.isEmpty())
        return {};
    const auto m = ReadImageMark(s);
    if (!m)
        return QStringLiteral("the watermark picture %1 does not exist; pages are converted without it").arg(path);
    const QImage overlay = ReadPicture(m->path);
    if (overlay.isNull())
        return QStringLiteral("the watermark picture %1 cannot be read as a picture; pages are converted without it")
            .arg(path);
    image = Paintable(std::move(image));
    Blend(*m, overlay, image);
    return {};
}

} // namespace qm
