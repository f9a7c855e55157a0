#include "capture/output/Image.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "capture/output/EncodePicture.h"
#include "tests/imaging/PixelProbe.h"

namespace qm::test {
namespace {

TEST(Image, LoadsEveryPageFormatAndSavesByExtension)
{
    QTemporaryDir dir;
    const QImage page = MakePage(121, 80);
    struct Case
    {
        const char* name;
        double tolerance; // mean absolute error allowed after a save and a load
    };
    const Case cases[] = { { "a.bmp", 0 }, { "a.png", 0 }, { "a.tiff", 0 }, { "a.TIF", 0 }, { "a.jpg", 3 },
        { "a.JPEG", 3 }, { "a.gif", 4 } };
    for (const Case& c : cases) {
        const QString file = dir.filePath(QLatin1String(c.name));
        Image writer;
        writer.assign(page);
        ASSERT_TRUE(writer.save(file)) << c.name;
        Image reader;
        ASSERT_TRUE(reader.load(file)) << c.name;
        EXPECT_EQ(reader.loadedWidth(), 121) << c.name;
        EXPECT_EQ(reader.loadedHeight(), 80) << c.name;
        EXPECT_LE(MeanAbsError(reader.picture(), page), c.tolerance) << c.name;
        // The loaded picture can be drawn on whatever its file held (GIF loads as a palette).
        reader.surface().font().colour = 255;
        EXPECT_TRUE(reader.surface().drawText(2, 2, QStringLiteral("x"))) << c.name;
    }
    // BMP is 24 bits per pixel, rows padded to four bytes.
    EXPECT_EQ(QFileInfo(dir.filePath(QStringLiteral("a.bmp"))).size(), 54 + (121 * 3 + 1) * 80);
    Image unknown;
    unknown.assign(page);
    EXPECT_FALSE(unknown.save(dir.filePath(QStringLiteral("a.avif"))));
}

TEST(Image, ShrinkingAveragesAndLoadedSizeStays)
{
    // One-pixel black and white stripes: any filter that picks pixels gives black or white.
    QImage stripes(400, 300, QImage::Format_RGB32);
    for (int x = 0; x < stripes.width(); ++x)
        for (int y = 0; y < stripes.height(); ++y)
            stripes.setPixel(x, y, ((x + y) % 2) ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    Image image;
    image.assign(stripes);
    ASSERT_TRUE(image.setWidth(100));
    ASSERT_TRUE(image.setHeight(75));
    EXPECT_EQ(image.width(), 100);
    EXPECT_EQ(image.height(), 75);
    EXPECT_EQ(image.loadedWidth(), 400);
    EXPECT_EQ(image.loadedHeight(), 300);
    for (QPoint p : { QPoint(0, 0), QPoint(50, 37), QPoint(99, 74) }) {
        EXPECT_NEAR(qRed(image.picture().pixel(p)), 127, 3) << p.x() << "," << p.y();
        EXPECT_NEAR(qBlue(image.picture().pixel(p)), 127, 3) << p.x() << "," << p.y();
    }
    EXPECT_FALSE(image.setWidth(0));
    EXPECT_FALSE(image.setHeight(-1));
    image.close();
    EXPECT_TRUE(image.isEmpty());
    EXPECT_EQ(image.loadedWidth(), 0);
}

// Text on a white 400 x 400 picture, the anchor in the middle.
QImage Stamp(const ImageFont& font, const QString& text = QStringLiteral("HH"))
{
    Image image;
    image.assign(Solid(400, 400, Qt::white));
    image.surface().font() = font;
    EXPECT_TRUE(image.surface().drawText(200, 200, text));
    return image.picture();
}

auto NotWhite = [](QRgb p) { return (p & 0xFFFFFF) != 0xFFFFFF; };

TEST(Image, RotationTurnsCounterClockwiseAboutTheAnchor)
{
    struct Case
    {
        int degrees;
        bool right; // text lies right of the anchor
        bool below; // text lies below the anchor
    };
    const Case cases[] = { { 0, true, true }, { 90, true, false }, { 180, false, false }, { 270, false, true },
        { 450, true, false }, { -90, false, true } };
    for (const Case& c : cases) {
        ImageFont font;
        font.size = 30;
        font.rotation = c.degrees;
        const QRect box = BoxOf(Stamp(font, QStringLiteral("HHHH")), NotWhite);
        ASSERT_FALSE(box.isEmpty()) << c.degrees;
        const QPoint middle = box.center();
        EXPECT_EQ(middle.x() > 200, c.right) << c.degrees;
        EXPECT_EQ(middle.y() > 200, c.below) << c.degrees;
        // The long side follows the writing direction.
        const bool upright = c.degrees % 180 == 0;
        EXPECT_EQ(box.width() > box.height(), upright) << c.degrees;
    }
}

TEST(Image, TextColourTransparencyAndQuality)
{
    struct Case
    {
        const char* name;
        quint32 colour;
        float transparency;
        int quality;
        QRgb solid; // colour of the inside of the strokes
        bool smoothEdges; // colours other than white and `solid` appear
    };
    const Case cases[] = {
        { "255 is red", 255, 0.0f, 1, qRgb(255, 0, 0), true },
        { "65280 is green", 65280, 0.0f, 1, qRgb(0, 255, 0), true },
        { "16711680 is blue", 16711680, 0.0f, 1, qRgb(0, 0, 255), true },
        { "35 % see-through", 255, 0.35f, 1, qRgb(255, 89, 89), true },
        { "fully clear", 255, 1.0f, 1, qRgb(255, 255, 255), false },
        { "quality 0 is aliased", 255, 0.0f, 0, qRgb(255, 0, 0), false },
    };
    for (const Case& c : cases) {
        ImageFont font;
        font.size = 60;
        font.colour = c.colour;
        font.transparency = c.transparency;
        font.quality = c.quality;
        const QImage stamped = Stamp(font, QStringLiteral("HIH"));
        const QRect box = BoxOf(stamped, NotWhite);
        if (c.solid == qRgb(255, 255, 255)) {
            EXPECT_TRUE(box.isEmpty()) << c.name;
            continue;
        }
        ASSERT_FALSE(box.isEmpty()) << c.name;
        const QRgb inside = MostCommon(stamped, box, NotWhite);
        EXPECT_NEAR(qRed(inside), qRed(c.solid), 2) << c.name;
        EXPECT_NEAR(qGreen(inside), qGreen(c.solid), 2) << c.name;
        EXPECT_NEAR(qBlue(inside), qBlue(c.solid), 2) << c.name;
        const QRect blended
            = BoxOf(stamped, [&](QRgb p) { return NotWhite(p) && (p & 0xFFFFFF) != (inside & 0xFFFFFF); });
        EXPECT_EQ(!blended.isEmpty(), c.smoothEdges) << c.name;
    }
}

} // namespace
} // namespace qm::test
