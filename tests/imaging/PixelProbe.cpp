#include "tests/imaging/PixelProbe.h"

#include <QFile>
#include <QPainter>
#include <cstdlib>
#include <unordered_map>
#include <unordered_set>

std::ostream& operator<<(std::ostream& out, const QString& text)
{
    return out << text.toStdString();
}

void PrintTo(const QRect& rect, std::ostream* out)
{
    *out << "QRect(" << rect.x() << ", " << rect.y() << " " << rect.width() << " x " << rect.height() << ")";
}

void PrintTo(const QImage& image, std::ostream* out)
{
    *out << "QImage(" << image.width() << " x " << image.height() << ", format " << image.format() << ")";
}

namespace qm::test {

QImage MakePage(int width, int height)
{
    QImage page(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(page.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb(x * 255 / width, (y % 512) / 2, 128 + ((x + y) % 64));
    }
    QPainter painter(&page);
    for (int y = 40; y + 120 < height; y += 700) {
        painter.fillRect(30, y, width / 3, 80, QColor(20, 20, 160));
        painter.fillRect(width / 2, y + 200, width / 3, 120, Qt::white);
        painter.setPen(Qt::black);
        painter.drawText(width / 2 + 10, y + 260, QStringLiteral("Hello, page text %1").arg(y));
    }
    return page;
}

QImage Solid(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QRect BoxOf(const QImage& image, const std::function<bool(QRgb)>& match)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QRect box;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if (match(line[x]))
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

bool IsRed(QRgb p)
{
    return qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) < 80;
}

QRgb MostCommon(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& match)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    std::unordered_map<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (const QRgb p = rgb.pixel(x, y); match(p))
                ++counts[p & 0xFFFFFF];
    QRgb best = 0;
    int bestCount = -1;
    for (const auto& [colour, count] : counts) {
        if (count > bestCount) {
            best = colour;
            bestCount = count;
        }
    }
    return best;
}

double MeanAbsError(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size())
        return 255.0;
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            sum += std::abs(qRed(p[col]) - qRed(q[col])) + std::abs(qGreen(p[col]) - qGreen(q[col]))
                + std::abs(qBlue(p[col]) - qBlue(q[col]));
        }
    }
    return sum / (3.0 * x.width() * x.height());
}

double MeanAbsErrorSeen(const QImage& a, const QImage& b, int block)
{
    const QSize small(std::max(1, a.width() / block), std::max(1, a.height() / block));
    auto average = [&](const QImage& image) {
        return image.convertToFormat(QImage::Format_RGB32)
            .copy(0, 0, small.width() * block, small.height() * block)
            .scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
    return MeanAbsError(average(a), average(b));
}

int DistinctColours(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    std::unordered_set<QRgb> seen;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            seen.insert(line[x]);
    }
    return static_cast<int>(seen.size());
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

void RecordingSink::information(const QString& text, std::function<void()> dismissed)
{
    infos << text;
    if (dismissed)
        dismissed();
}

void RecordingSink::error(const QString& text, std::function<void()> dismissed)
{
    errors << text;
    if (dismissed)
        dismissed();
}

} // namespace qm::test
