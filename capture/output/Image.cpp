#include "capture/output/Image.h"

#include <QFont>
#include <QFontMetrics>
#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "capture/output/EncodePicture.h"

namespace qm {

namespace {

// Full pages are tall: a 1280 x 65,535 page needs about 330 MB, above Qt's default reading limit.
constexpr int kReadLimitMb = 2048;
// A font larger than this is a typing mistake, and would make the rasteriser crawl.
constexpr double kMaxPixelSize = 16384;

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

QColor FromWindowsRgb(quint32 value)
{
    return QColor(
        static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF), static_cast<int>((value >> 16) & 0xFF));
}

bool InRange(double value, int low, int high)
{
    return std::isfinite(value) && value >= low && value <= high;
}

// Overlay pixels near the key colour become fully transparent.
void ClearKeyColour(QImage& overlay, quint32 key, double tolerance)
{
    const int kr = static_cast<int>(key & 0xFF);
    const int kg = static_cast<int>((key >> 8) & 0xFF);
    const int kb = static_cast<int>((key >> 16) & 0xFF);
    for (int y = 0; y < overlay.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(overlay.scanLine(y));
        for (int x = 0; x < overlay.width(); ++x) {
            const QRgb p = line[x];
            if (std::abs(qRed(p) - kr) <= tolerance && std::abs(qGreen(p) - kg) <= tolerance
                && std::abs(qBlue(p) - kb) <= tolerance)
                line[x] = 0;
        }
    }
}

} // namespace

Result<void> DrawingSurface::drawText(int x, int y, const QString& text)
{
    if (m_picture.isNull())
        return fail(Error::Code::Unsupported, QStringLiteral("no picture to draw on"));
    if (text.isEmpty())
        return {};
    const double pixelSize = std::round((m_font.size > 0 ? m_font.size : 12) * 96.0 / 72.0);
    if (pixelSize > kMaxPixelSize)
        return fail(Error::Code::Unsupported, QStringLiteral("font size %1 is too large").arg(m_font.size));

    QFont font;
    if (!m_font.faceName.isEmpty())
        font.setFamily(m_font.faceName);
    font.setPixelSize(static_cast<int>(pixelSize));
    const bool smooth = m_font.quality != 0;
    font.setStyleStrategy(smooth ? QFont::PreferAntialias : QFont::NoAntialias);

    QPainter painter(&m_picture);
    painter.setRenderHint(QPainter::TextAntialiasing, smooth);
    painter.setRenderHint(QPainter::Antialiasing, smooth);
    painter.setFont(font);
    painter.setPen(FromWindowsRgb(m_font.colour));
    painter.setOpacity(1.0 - std::clamp(static_cast<double>(m_font.transparency), 0.0, 1.0));
    painter.translate(x, y);
    // Screen y points down, so a counter-clockwise turn is a negative angle for QPainter.
    painter.rotate(-static_cast<double>(m_font.rotation % 360));
    painter.drawText(0, painter.fontMetrics().ascent(), text);
    return {};
}

Result<void> DrawingSurface::drawImage(int x, int y, const Image& overlay, const BlendOptions& blend)
{
    if (m_picture.isNull())
        return fail(Error::Code::Unsupported, QStringLiteral("no picture to draw on"));
    if (overlay.isEmpty())
        return fail(Error::Code::Unsupported, QStringLiteral("no picture to draw"));
    // Only the part that lands on the picture matters.
    const QRect visible = QRect(x, y, overlay.width(), overlay.height()).intersected(m_picture.rect());
    if (visible.isEmpty())
        return {};
    QImage piece = overlay.picture().copy(visible.translated(-x, -y)).convertToFormat(QImage::Format_ARGB32);
    if (InRange(blend.keyColour, 0, 0xFFFFFF))
        ClearKeyColour(
            piece, static_cast<quint32>(blend.keyColour), std::isfinite(blend.tolerance) ? blend.tolerance : 0.0);

    QPainter painter(&m_picture);
    painter.setOpacity(std::isfinite(blend.opacity) ? std::clamp(blend.opacity, 0.0, 1.0) : 0.0);
    painter.drawImage(visible.topLeft(), piece);
    return {};
}

Image::Image()
    : m_surface(m_picture)
{
}

Result<void> Image::load(const QString& path)
{
    close();
    if (QImageReader::allocationLimit() < kReadLimitMb)
        QImageReader::setAllocationLimit(kReadLimitMb);
    QImageReader reader(path);
    reader.setAutoTransform(false);
    QImage picture;
    if (!reader.read(&picture))
        return fail(Error::Code::Io, QStringLiteral("cannot read the picture %1: %2").arg(path, reader.errorString()));
    assign(std::move(picture));
    return {};
}

void Image::assign(QImage picture)
{
    m_picture = Paintable(std::move(picture));
    m_loadedWidth = m_picture.width();
    m_loadedHeight = m_picture.height();
}

Result<void> Image::save(const QString& path) const
{
    const auto format = PictureFormatFromPath(path);
    if (!format)
        return fail(Error::Code::Unsupported, QStringLiteral("no picture type for the name %1").arg(path));
    return WritePictureFile(m_picture, path, *format);
}

Result<void> Image::setWidth(int width)
{
    return resize(width, m_picture.height());
}

Result<void> Image::setHeight(int height)
{
    return resize(m_picture.width(), height);
}

Result<void> Image::resize(int width, int height)
{
    if (m_picture.isNull())
        return fail(Error::Code::Unsupported, QStringLiteral("no picture to resize"));
    if (width <= 0 || height <= 0)
        return fail(Error::Code::Unsupported, QStringLiteral("cannot resize to %1 x %2").arg(width).arg(height));
    if (width == m_picture.width() && height == m_picture.height())
        return {};
    // Qt's smooth scaling averages every source pixel under a target pixel when shrinking.
    QImage scaled = m_picture.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull())
        return fail(Error::Code::Unsupported, QStringLiteral("not enough memory for %1 x %2").arg(width).arg(height));
    m_picture = Paintable(std::move(scaled));
    return {};
}

void Image::close()
{
    m_picture = QImage();
    m_loadedWidth = 0;
    m_loadedHeight = 0;
}

QImage Image::takePicture()
{
    QImage picture = std::move(m_picture);
    close();
    return picture;
}

} // namespace qm
