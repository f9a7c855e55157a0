#include "capture/output/Thumbnail.h"

#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "tests/imaging/PixelProbe.h"

namespace qm::test {
namespace {

TEST(Thumbnail, ScalesBothSidesRoundingHalvesToEven)
{
    QTemporaryDir dir;
    struct Case
    {
        const char* name;
        QSize page;
        double percent;
        QSize thumbnail; // empty: nothing written
    };
    const Case cases[] = {
        { "12.5 and 7.5 round to even", { 25, 15 }, 50, { 12, 8 } },
        { "fractions round to nearest", { 101, 33 }, 10, { 10, 3 } },
        { "tall page", { 1280, 10000 }, 7.5, { 96, 750 } },
        { "full size", { 300, 200 }, 100, { 300, 200 } },
        { "larger than the page", { 30, 20 }, 250, { 75, 50 } },
        { "no percent", { 300, 200 }, 0, {} },
        { "rounds to nothing", { 40, 40 }, 1, {} },
        { "negative", { 40, 40 }, -50, {} },
        { "beyond 32 bits", { 40, 40 }, 1e12, {} },
    };
    for (const Case& c : cases) {
        const QString path = dir.filePath(QStringLiteral("page_Thumbnail.jpg"));
        QFile::remove(path);
        const QColor colour(30, 140, 200);
        const auto result = WriteThumbnail(Solid(c.page.width(), c.page.height(), colour), c.percent, path);
        EXPECT_EQ(result.has_value(), !c.thumbnail.isEmpty()) << c.name;
        if (c.thumbnail.isEmpty()) {
            EXPECT_FALSE(QFileInfo::exists(path)) << c.name;
            continue;
        }
        QImageReader reader(path);
        EXPECT_EQ(reader.format(), QByteArray("jpeg")) << c.name;
        const QImage back = reader.read();
        EXPECT_EQ(back.size(), c.thumbnail) << c.name;
        const QColor middle = back.pixelColor(back.width() / 2, back.height() / 2);
        EXPECT_NEAR(middle.red(), colour.red(), 4) << c.name;
        EXPECT_NEAR(middle.blue(), colour.blue(), 4) << c.name;
    }
}

TEST(Thumbnail, ShrinkingAveragesEveryPixel)
{
    // One-pixel black and white stripes: any filter that picks pixels gives black or white.
    QTemporaryDir dir;
    QImage stripes(400, 300, QImage::Format_RGB32);
    for (int x = 0; x < stripes.width(); ++x)
        for (int y = 0; y < stripes.height(); ++y)
            stripes.setPixel(x, y, ((x + y) % 2) ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    const QString path = dir.filePath(QStringLiteral("stripes_Thumbnail.jpg"));
    ASSERT_TRUE(WriteThumbnail(stripes, 25, path));
    const QImage back(path);
    ASSERT_EQ(back.size(), QSize(100, 75));
    for (QPoint p : { QPoint(0, 0), QPoint(50, 37), QPoint(99, 74) }) {
        EXPECT_NEAR(qRed(back.pixel(p)), 127, 6) << p.x() << "," << p.y();
        EXPECT_NEAR(qBlue(back.pixel(p)), 127, 6) << p.x() << "," << p.y();
    }
}

} // namespace
} // namespace qm::test
