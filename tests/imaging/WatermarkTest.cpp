#include <QFileInfo>

#include <gtest/gtest.h>

#include "capture/output/EncodePicture.h"
#include "capture/output/Watermarks.h"
#include "settings/SettingsSource.h"
#include "tests/imaging/PixelProbe.h"
#include "tests/support/TempHome.h"

namespace qm::test {
namespace {

const QString kWatermark = QStringLiteral("watermark");
const QRgb kPage = qRgb(230, 230, 230);
const QRgb kBlue = qRgb(0, 0, 255);
auto NotWhite = [](QRgb p) { return (p & 0xFFFFFF) != 0xFFFFFF; };

class WatermarkTest : public ::testing::Test
{
protected:
    // Keys are written the way the settings dialog spells them ("Twz", "TRotate", "Itransparency ").
    void set(const char* key, const QString& value) const { m_home.set(kWatermark, QLatin1String(key), value); }
    QString file(const QString& name) const { return m_home.file(name); }

    // Saves `logo` in the home under `name`, in the type its extension names; returns the path.
    QString writeLogo(const QImage& logo, const QString& name = QStringLiteral("logo.png")) const
    {
        EXPECT_TRUE(WritePictureFile(logo, file(name), *PictureFormatFromPath(name)));
        return file(name);
    }

    void useTextSettings() const
    {
        set("watertext", QStringLiteral("HH"));
        set("Tx", QStringLiteral("100"));
        set("Ty", QStringLiteral("100"));
        set("Tsize", QStringLiteral("20"));
        set("TQuality", QStringLiteral("1"));
        set("textcolor", QStringLiteral("255"));
        set("Ttransparency", QStringLiteral("0"));
    }

    void useLogoSettings(const QString& logoPath) const
    {
        set("waterimage", logoPath);
        set("Ix", QStringLiteral("100"));
        set("Iy", QStringLiteral("100"));
        set("IOpacity", QStringLiteral("100"));
        set("Itransparency ", QStringLiteral("-1"));
    }

    TempHome m_home;
    FileSettings m_settings { m_home.settingsPath() };
};

struct Placement
{
    const char* name;
    const char* code;
    QPoint anchor; // on a 1024 x 3000 page, offsets 100 and 100
};

const Placement kPlacements[] = {
    { "top left", "0", { 100, 100 } },
    { "top right", "1", { 924, 100 } },
    { "bottom left", "2", { 100, 2900 } },
    { "bottom right", "3", { 924, 2900 } },
    { "specified place", "4", { 100, 100 } },
    { "nothing chosen", "-1", { 100, 100 } },
    { "empty", "", { 100, 100 } },
    { "unknown code", "7", { 100, 100 } },
    { "code with a leading zero", "03", { 100, 100 } },
};

TEST_F(WatermarkTest, TextPlacement)
{
    useTextSettings();
    for (const Placement& p : kPlacements) {
        set("Twz", QLatin1String(p.code));
        QImage page = Solid(1024, 3000, QColor(kPage));
        ApplyTextWatermark(m_settings, page);
        const QRect red = BoxOf(page, IsRed);
        ASSERT_FALSE(red.isEmpty()) << p.name;
        EXPECT_GE(red.left(), p.anchor.x()) << p.name;
        EXPECT_LE(red.left(), p.anchor.x() + 4) << p.name;
        EXPECT_GE(red.top(), p.anchor.y()) << p.name;
        EXPECT_LE(red.top(), p.anchor.y() + 8) << p.name;
        EXPECT_LT(red.bottom(), p.anchor.y() + 27) << p.name;
    }
}

TEST_F(WatermarkTest, LogoPlacementAndOffsets)
{
    useLogoSettings(writeLogo(Solid(200, 50, QColor(kBlue))));
    struct Offsets
    {
        const char* name;
        const char* code;
        const char* x;
        const char* y;
        QRect logo; // where the logo lands on the 1024 x 3000 page
    };
    std::vector<Offsets> cases;
    for (const Placement& p : kPlacements)
        cases.push_back({ p.name, p.code, "100", "100", QRect(p.anchor, QSize(200, 50)) & QRect(0, 0, 1024, 3000) });
    cases.push_back({ "halves round to even: 12.5", "0", "12.5", "13.5", QRect(12, 14, 200, 50) });
    cases.push_back({ "a word reads as 0", "0", "left", " 7px", QRect(0, 7, 200, 50) });
    cases.push_back({ "right offset wider than the page", "1", "1100", "0", QRect(0, 0, 124, 50) });
    cases.push_back({ "offset beyond 32 bits skips the drawing", "0", "1e12", "0", QRect() });
    for (const Offsets& c : cases) {
        set("Iwz", QLatin1String(c.code));
        set("Ix", QLatin1String(c.x));
        set("Iy", QLatin1String(c.y));
        QImage page = Solid(1024, 3000, QColor(kPage));
        ApplyImageWatermark(m_settings, page);
        EXPECT_EQ(BoxOf(page, [](QRgb p) { return p == kBlue; }), c.logo) << c.name;
    }
}

TEST_F(WatermarkTest, EachCallPlacesItsOwnMark)
{
    // The text is anchored bottom right; a logo with no placement must not follow it there.
    useTextSettings();
    set("Twz", QStringLiteral("3"));
    useLogoSettings(writeLogo(Solid(20, 20, QColor(kBlue))));
    set("Iwz", QStringLiteral("-1"));
    QImage page = Solid(1024, 3000, QColor(kPage));
    ApplyTextWatermark(m_settings, page);
    ApplyImageWatermark(m_settings, page);
    EXPECT_EQ(BoxOf(page, [](QRgb p) { return p == kBlue; }), QRect(100, 100, 20, 20));
    EXPECT_GE(BoxOf(page, IsRed).top(), 2900);
}

TEST_F(WatermarkTest, KeyColourAndOpacity)
{
    // Near-magenta background around a blue square; the key is magenta (Windows RGB 16711935).
    QImage logo = Solid(60, 60, QColor(250, 0, 250));
    for (int y = 20; y < 40; ++y)
        for (int x = 20; x < 40; ++x)
            logo.setPixel(x, y, kBlue);
    struct Case
    {
        const char* name;
        const char* logoName;
        const char* key;
        const char* deviation;
        const char* opacity;
        QRgb background; // where the logo's magenta was
        QRgb square; // where its blue square was
        int slack; // per channel, for lossy logo files
    };
    const Case cases[] = {
        { "exact key colour shows the page", "logo.png", "16384250", "0", "100", kPage, kBlue, 3 },
        { "deviation 5 reaches the key", "logo.png", "16711935", "5", "100", kPage, kBlue, 3 },
        { "deviation 4 falls short", "logo.png", "16711935", "4", "100", qRgb(250, 0, 250), kBlue, 3 },
        { "no key", "logo.png", "-1", "0", "100", qRgb(250, 0, 250), kBlue, 3 },
        { "opacity 50 blends half", "logo.png", "16711935", "5", "50", kPage, qRgb(115, 115, 243), 3 },
        { "missing opacity draws nothing", "logo.png", "16711935", "5", "", kPage, kPage, 3 },
        { "deviation covers a GIF's palette", "logo.gif", "16711935", "10", "100", kPage, kBlue, 3 },
        { "JPEG logo with deviation", "logo.jpg", "16711935", "40", "100", kPage, kBlue, 12 },
    };
    for (const Case& c : cases) {
        useLogoSettings(writeLogo(logo, QLatin1String(c.logoName)));
        set("Iwz", QStringLiteral("0"));
        set("Itransparency ", QLatin1String(c.key));
        set("IDeviation", QLatin1String(c.deviation));
        set("IOpacity", QLatin1String(c.opacity));
        QImage page = Solid(300, 300, QColor(kPage));
        ApplyImageWatermark(m_settings, page);
        for (auto [at, want] :
            { std::pair { QPoint(105, 105), c.background }, std::pair { QPoint(130, 130), c.square } }) {
            const QRgb got = page.pixel(at);
            EXPECT_NEAR(qRed(got), qRed(want), c.slack) << c.name;
            EXPECT_NEAR(qGreen(got), qGreen(want), c.slack) << c.name;
            EXPECT_NEAR(qBlue(got), qBlue(want), c.slack) << c.name;
        }
    }
}

TEST_F(WatermarkTest, PicturesOfEveryTypeReadBackAndTakeTheText)
{
    const QImage page = MakePage(121, 80);
    struct Case
    {
        const char* name;
        double tolerance; // mean absolute error allowed after a save and a read
    };
    const Case cases[] = { { "a.bmp", 0 }, { "a.png", 0 }, { "a.tiff", 0 }, { "a.TIF", 0 }, { "a.jpg", 3 },
        { "a.JPEG", 3 }, { "a.gif", 4 } };
    useTextSettings();
    set("watertext", QStringLiteral("HH"));
    set("Tx", QStringLiteral("2"));
    set("Ty", QStringLiteral("2"));
    for (const Case& c : cases) {
        const QString path = file(QLatin1String(c.name));
        const auto format = PictureFormatFromPath(path);
        ASSERT_TRUE(format) << c.name;
        ASSERT_TRUE(WritePictureFile(page, path, *format)) << c.name;
        const QImage back(path);
        ASSERT_EQ(back.size(), QSize(121, 80)) << c.name;
        EXPECT_LE(MeanAbsError(back, page), c.tolerance) << c.name;
        // The text is drawn whatever the file held (a GIF reads as a palette).
        QImage marked = back;
        ApplyTextWatermark(m_settings, marked);
        EXPECT_GT(MeanAbsError(marked, back), 0.5) << c.name;
    }
    // BMP is 24 bits per pixel, rows padded to four bytes.
    EXPECT_EQ(QFileInfo(file(QStringLiteral("a.bmp"))).size(), 54 + (121 * 3 + 1) * 80);
    EXPECT_FALSE(PictureFormatFromPath(file(QStringLiteral("a.avif"))));
}

TEST_F(WatermarkTest, RotationTurnsCounterClockwiseAboutTheAnchor)
{
    useTextSettings();
    set("watertext", QStringLiteral("HHHH"));
    set("Twz", QStringLiteral("0"));
    set("Tx", QStringLiteral("200"));
    set("Ty", QStringLiteral("200"));
    set("Tsize", QStringLiteral("30"));
    set("textcolor", QStringLiteral("0"));
    struct Case
    {
        int degrees;
        bool right; // text lies right of the anchor
        bool below; // text lies below the anchor
    };
    const Case cases[] = { { 0, true, true }, { 90, true, false }, { 180, false, false }, { 270, false, true },
        { 450, true, false }, { -90, false, true } };
    for (const Case& c : cases) {
        set("TRotate", QString::number(c.degrees));
        QImage page = Solid(400, 400, Qt::white);
        ApplyTextWatermark(m_settings, page);
        const QRect box = BoxOf(page, NotWhite);
        ASSERT_FALSE(box.isEmpty()) << c.degrees;
        const QPoint middle = box.center();
        EXPECT_EQ(middle.x() > 200, c.right) << c.degrees;
        EXPECT_EQ(middle.y() > 200, c.below) << c.degrees;
        // The long side follows the writing direction.
        const bool upright = c.degrees % 180 == 0;
        EXPECT_EQ(box.width() > box.height(), upright) << c.degrees;
    }
}

TEST_F(WatermarkTest, TextColourTransparencyAndQuality)
{
    useTextSettings();
    set("watertext", QStringLiteral("HIH"));
    set("Twz", QStringLiteral("0"));
    set("Tx", QStringLiteral("200"));
    set("Ty", QStringLiteral("200"));
    set("Tsize", QStringLiteral("60"));
    struct Case
    {
        const char* name;
        const char* colour; // as settings.dat keeps it: red in the low byte
        const char* transparency; // percent
        const char* quality;
        QRgb solid; // colour of the inside of the strokes
        bool smoothEdges; // colours other than white and `solid` appear
    };
    const Case cases[] = {
        { "255 is red", "255", "0", "1", qRgb(255, 0, 0), true },
        { "65280 is green", "65280", "0", "1", qRgb(0, 255, 0), true },
        { "16711680 is blue", "16711680", "0", "1", qRgb(0, 0, 255), true },
        { "35 % see-through", "255", "35", "1", qRgb(255, 89, 89), true },
        { "fully clear", "255", "100", "1", qRgb(255, 255, 255), false },
        { "quality 0 is aliased", "255", "0", "0", qRgb(255, 0, 0), false },
    };
    for (const Case& c : cases) {
        set("textcolor", QLatin1String(c.colour));
        set("Ttransparency", QLatin1String(c.transparency));
        set("TQuality", QLatin1String(c.quality));
        QImage stamped = Solid(400, 400, Qt::white);
        ApplyTextWatermark(m_settings, stamped);
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

TEST_F(WatermarkTest, NothingToDrawLeavesThePictureAsItWas)
{
    const QString junkLogo = file(QStringLiteral("junk.gif"));
    WriteBytes(junkLogo, "GIF89a but nothing else");
    struct Case
    {
        const char* name;
        bool text; // which watermark runs
        QString value;
    };
    const Case cases[] = {
        { "empty text", true, QString() },
        { "no image named", false, QString() },
        { "image missing", false, file(QStringLiteral("nowhere.jpg")) },
        { "image undecodable", false, junkLogo },
        { "image is a folder", false, m_home.path() },
    };
    useTextSettings();
    useLogoSettings(QString());
    for (const Case& c : cases) {
        set(c.text ? "watertext" : "waterimage", c.value);
        QImage page = MakePage(300, 200);
        const QImage original = page;
        if (c.text)
            ApplyTextWatermark(m_settings, page);
        else
            ApplyImageWatermark(m_settings, page);
        EXPECT_EQ(page, original) << c.name;
    }
}

} // namespace
} // namespace qm::test
