#include "capture/output/Image.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "capture/output/EncodePicture.h"
#include "tests/imaging/PixelProbe.h"

namespace qm::test {
namespace {

TEST(Image, LoadsEveryPageFormatAndSavesByExtension)
{
    QTemporaryDir dir;
    const QImage page = MakePage(120, 80);
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
        EXPECT_EQ(reader.loadedWidth(), 120) << c.name;
        EXPECT_EQ(reader.loadedHeight(), 80) << c.name;
        EXPECT_LE(MeanAbsError(reader.picture(), page), c.tolerance) << c.name;
        // The loaded picture can be drawn on whatever its file held (GIF loads as a palette).
        reader.surface().font().colour = 255;
        EXPECT_TRUE(reader.surface().drawText(2, 2, QStringLiteral("x"))) << c.name;
    }
    Image unknown;
    unknown.assign(page);
    EXPECT_FALSE(unknown.save(dir.filePath(QStringLiteral("a.webp"))));
}

TEST(Image, FailedLoadLeavesNothingToDrawOrSave)
{
    QTemporaryDir dir;
    const QString junk = dir.filePath(QStringLiteral("junk.jpg"));
    WriteBytes(junk, "not a picture");
    for (const QString& file : { junk, dir.filePath(QStringLiteral("missing.bmp")) }) {
        Image image;
        image.assign(Solid(5, 5, Qt::white));
        EXPECT_FALSE(image.load(file));
        EXPECT_TRUE(image.isEmpty());
        EXPECT_FALSE(image.surface().drawText(0, 0, QStringLiteral("x")));
        EXPECT_FALSE(image.setWidth(3));
        EXPECT_FALSE(image.save(dir.filePath(QStringLiteral("out.bmp"))));
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("out.bmp"))));
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

TEST(Image, TextGrowsRightAndDownFromItsAnchor)
{
    ImageFont font;
    font.colour = 255;
    font.size = 30; // 40 px
    const QRect box = BoxOf(Stamp(font), NotWhite);
    ASSERT_FALSE(box.isEmpty());
    EXPECT_GE(box.left(), 200);
    EXPECT_LE(box.left(), 206);
    // Capital letters start a little below the top of the ascent, never above it.
    EXPECT_GE(box.top(), 200);
    EXPECT_LE(box.top(), 212);
    // Cap height of a 40 px font.
    EXPECT_NEAR(box.height(), 29, 4);
}

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

TEST(Image, DrawImageKeyColourAndOpacity)
{
    // A 40 x 20 overlay: left half magenta (the key), right half pure blue.
    QImage logo(40, 20, QImage::Format_RGB32);
    logo.fill(qRgb(250, 0, 250));
    for (int y = 0; y < 20; ++y)
        for (int x = 20; x < 40; ++x)
            logo.setPixel(x, y, qRgb(0, 0, 255));
    Image overlay;
    overlay.assign(logo);
    struct Case
    {
        const char* name;
        BlendOptions blend;
        QRgb keyPart; // page pixel under the magenta half
        QRgb otherPart; // page pixel under the blue half
    };
    const QRgb grey = qRgb(100, 100, 100);
    const Case cases[] = {
        { "no key", { 1.0, -1, 0 }, qRgb(250, 0, 250), qRgb(0, 0, 255) },
        { "exact key", { 1.0, 0xFA00FA, 0 }, grey, qRgb(0, 0, 255) },
        { "key within tolerance", { 1.0, 0xFF00FF, 5 }, grey, qRgb(0, 0, 255) },
        { "key just outside tolerance", { 1.0, 0xFF00FF, 4 }, qRgb(250, 0, 250), qRgb(0, 0, 255) },
        { "half opacity", { 0.5, 0xFA00FA, 0 }, grey, qRgb(50, 50, 178) },
        { "no opacity", { 0.0, -1, 0 }, grey, grey },
    };
    for (const Case& c : cases) {
        Image page;
        page.assign(Solid(100, 60, QColor(grey)));
        ASSERT_TRUE(page.surface().drawImage(30, 20, overlay, c.blend)) << c.name;
        const QImage& out = page.picture();
        for (auto [at, want] : { std::pair { QPoint(35, 25), c.keyPart }, std::pair { QPoint(65, 35), c.otherPart } }) {
            const QRgb got = out.pixel(at);
            EXPECT_NEAR(qRed(got), qRed(want), 2) << c.name;
            EXPECT_NEAR(qGreen(got), qGreen(want), 2) << c.name;
            EXPECT_NEAR(qBlue(got), qBlue(want), 2) << c.name;
        }
        // Outside the overlay the page is untouched.
        EXPECT_EQ(out.pixel(29, 20), grey) << c.name;
        EXPECT_EQ(out.pixel(70, 20), grey) << c.name;
        EXPECT_EQ(out.pixel(30, 40), grey) << c.name;
    }
}

TEST(Image, DrawImagePartlyOutsideThePicture)
{
    Image overlay;
    overlay.assign(Solid(50, 50, Qt::blue));
    Image page;
    page.assign(Solid(100, 100, Qt::white));
    ASSERT_TRUE(page.surface().drawImage(80, -30, overlay));
    EXPECT_EQ(BoxOf(page.picture(), [](QRgb p) { return p == QColor(Qt::blue).rgb(); }), QRect(80, 0, 20, 20));
    Image empty;
    EXPECT_FALSE(page.surface().drawImage(0, 0, empty));
}

} // namespace
} // namespace qm::test
