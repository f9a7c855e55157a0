// Full-page captures of fixture pages, checked by their pixels and sizes.
#include <QBuffer>
#include <QColor>
#include <QJsonValue>

#include "tests/engine/EngineFixture.h"

namespace qm::test {
namespace {

using cdp::SnapshotEncoding;

class CaptureTest : public EngineTest
{
};

TEST_F(CaptureTest, ShortPageFillsTheViewportWidthWithoutBodyMargin)
{
    LoadPage("/short",
        "<!doctype html><html><body style='background:rgb(0,128,0)'>"
        "<div style='height:300px;background:rgb(255,0,0)'></div></body></html>");
    const auto snapshot = Capture(*tab);
    ASSERT_TRUE(snapshot) << snapshot.error().message.toStdString();
    const QImage image = Pixels(*snapshot);
    EXPECT_EQ(image.size(), QSize(1280, 800));
    EXPECT_EQ(snapshot->size, image.size());
    // The body's 8 px margin is stripped: red starts in the very first pixel.
    EXPECT_LE(ColourDistance(image.pixel(0, 0), qRgb(255, 0, 0)), 2);
    EXPECT_LE(ColourDistance(image.pixel(1279, 299), qRgb(255, 0, 0)), 2);
    EXPECT_LE(ColourDistance(image.pixel(640, 300), qRgb(0, 128, 0)), 2);
}

} // namespace
} // namespace qm::test

namespace qm::test {
namespace {

QByteArray SolidPng(QColor colour, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QRgb StripeColour(int i)
{
    return qRgb((i * 37) % 256, (i * 91) % 256, (i * 53) % 256);
}

// Rows of `column` (from `from` on) that are close to `colour`.
int RowsOfColour(const QImage& image, int column, int from, QRgb colour)
{
    int count = 0;
    for (int y = from; y < image.height(); ++y)
        count += ColourDistance(image.pixel(column, y), colour) <= 8;
    return count;
}

TEST_F(CaptureTest, TallPagesComeOutWholeInEveryEncoding)
{
    // 10000 px is taken in one capture, 32000 and 40000 px in bands.
    for (const int stripes : { 100, 320, 400 }) {
        SCOPED_TRACE(stripes);
        QByteArray html = "<!doctype html><style>body{margin:0}div{height:100px}</style>";
        for (int i = 0; i < stripes; ++i)
            html += QStringLiteral("<div style='background:rgb(%1,%2,%3)'></div>")
                        .arg(qRed(StripeColour(i)))
                        .arg(qGreen(StripeColour(i)))
                        .arg(qBlue(StripeColour(i)))
                        .toUtf8();
        LoadPage(QStringLiteral("/tall%1").arg(stripes), html);
        struct Case
        {
            const char* name;
            SnapshotEncoding encoding;
            int tolerance;
        };
        for (const Case c :
            { Case { "decoded", SnapshotEncoding::Decoded, 2 }, Case { "png", SnapshotEncoding::Png, 2 },
                Case { "jpeg", SnapshotEncoding::Jpeg, 12 }, Case { "webp", SnapshotEncoding::Webp, 12 } }) {
            SCOPED_TRACE(c.name);
            const auto snapshot = Capture(*tab, { .encoding = c.encoding, .jpegQuality = 90, .timeLimit = 120s });
            ASSERT_TRUE(snapshot) << snapshot.error().message.toStdString();
            EXPECT_EQ(snapshot->size, QSize(1280, stripes * 100));
            // WebP bands cannot be joined as they are: a page taken in bands comes back decoded.
            const bool encoded = c.encoding != SnapshotEncoding::Decoded
                && (c.encoding != SnapshotEncoding::Webp || stripes * 100 <= 12500);
            EXPECT_EQ(encoded, !snapshot->encoded.isEmpty());
            if (c.encoding == SnapshotEncoding::Webp && encoded) {
                EXPECT_EQ(snapshot->encoded.mid(8, 4), QByteArray("WEBP"));
            }
            const QImage image = Pixels(*snapshot);
            ASSERT_EQ(image.size(), QSize(1280, stripes * 100));
            // Every stripe where it belongs, the bottom ones included, at both edges of the page.
            for (int i :
                { 0, 1, 62, 63, 124, 125, 249, 250, stripes / 2, stripes - 4, stripes - 3, stripes - 2, stripes - 1 }) {
                if (i >= stripes)
                    continue;
                SCOPED_TRACE(i);
                EXPECT_LE(ColourDistance(image.pixel(3, i * 100 + 50), StripeColour(i)), c.tolerance);
                EXPECT_LE(ColourDistance(image.pixel(1276, i * 100 + 99 - 8), StripeColour(i)), c.tolerance);
            }
        }
    }
}

TEST_F(CaptureTest, LazyImagesFarDownAreLoaded)
{
    server.route("/native.png", { .contentType = "image/png", .body = SolidPng(QColor(255, 0, 0), QSize(200, 200)) });
    server.route("/scripted.png", { .contentType = "image/png", .body = SolidPng(QColor(0, 0, 255), QSize(200, 200)) });
    LoadPage("/lazy", R"html(<!doctype html><body style="margin:0">
<div style="height:30000px"></div>
<img loading="lazy" src="/native.png" width="200" height="200" style="display:block">
<div style="height:3000px"></div>
<img id="js" data-src="/scripted.png" width="200" height="200" style="display:block">
<script>
new IntersectionObserver((entries, observer) => {
  for (const e of entries) if (e.isIntersecting) { e.target.src = e.target.dataset.src; observer.unobserve(e.target); }
}).observe(document.getElementById('js'));
</script></body>)html");
    const auto snapshot = Capture(*tab, { .timeLimit = 60s });
    ASSERT_TRUE(snapshot) << snapshot.error().message.toStdString();
    const QImage image = Pixels(*snapshot);
    ASSERT_EQ(image.height(), 30000 + 200 + 3000 + 200);
    EXPECT_LE(ColourDistance(image.pixel(100, 30100), qRgb(255, 0, 0)), 2) << "native lazy image";
    EXPECT_LE(ColourDistance(image.pixel(100, 33300), qRgb(0, 0, 255)), 2) << "script-driven lazy image";
    EXPECT_EQ(server.hits("/native.png"), 1);
}

TEST_F(CaptureTest, FixedHeaderAppearsOnceAtTheTop)
{
    LoadPage("/fixed", R"html(<!doctype html><body style="margin:0">
<header style="position:fixed;top:0;left:0;right:0;height:60px;background:rgb(255,0,0)"></header>
<div style="height:30000px;background:rgb(255,255,255)"></div></body>)html");
    // Scrolled down first, as a user might have left it: the capture still starts at the top.
    ASSERT_TRUE(Evaluate(*tab, "window.scrollTo(0, 5000), 1"));
    const auto snapshot = Capture(*tab);
    ASSERT_TRUE(snapshot) << snapshot.error().message.toStdString();
    const QImage image = Pixels(*snapshot);
    ASSERT_EQ(image.size(), QSize(1280, 30000));
    EXPECT_EQ(RowsOfColour(image, 10, 0, qRgb(255, 0, 0)), 60);
    EXPECT_LE(ColourDistance(image.pixel(10, 0), qRgb(255, 0, 0)), 2);
    EXPECT_LE(ColourDistance(image.pixel(10, 59), qRgb(255, 0, 0)), 2);
    // The scroll position the page had is given back.
    const auto scrolled = Evaluate(*tab, "window.scrollY");
    ASSERT_TRUE(scrolled);
    EXPECT_EQ(scrolled->toInt(), 5000);
}

TEST_F(CaptureTest, FullViewportHeroKeepsTheViewportHeight)
{
    LoadPage("/hero", R"html(<!doctype html><body style="margin:0">
<section style="height:100vh;background:rgb(0,160,0)"></section>
<div style="height:4000px;background:rgb(0,0,200)"></div></body>)html");
    for (const QSize viewport : { QSize(1280, 800), QSize(1024, 600) }) {
        SCOPED_TRACE(viewport.height());
        tab->setViewport(viewport);
        const auto snapshot = Capture(*tab);
        ASSERT_TRUE(snapshot) << snapshot.error().message.toStdString();
        const QImage image = Pixels(*snapshot);
        EXPECT_EQ(image.size(), QSize(viewport.width(), viewport.height() + 4000));
        EXPECT_EQ(RowsOfColour(image, 20, 0, qRgb(0, 160, 0)), viewport.height());
        EXPECT_LE(ColourDistance(image.pixel(20, viewport.height()), qRgb(0, 0, 200)), 2);
    }
    tab->setViewport(QSize(1280, 800));
}

TEST_F(CaptureTest, PageWithoutDoctypeIsNotDoubledInHeight)
{
    LoadPage("/quirks", "<html><body><div style='height:3000px;background:rgb(10,20,30)'></div></body></html>");
    const auto snapshot = Capture(*tab);
    ASSERT_TRUE(snapshot) << snapshot.error().message.toStdString();
    EXPECT_EQ(snapshot->size, QSize(1280, 3000));
    EXPECT_LE(ColourDistance(Pixels(*snapshot).pixel(5, 2995), qRgb(10, 20, 30)), 2);
}

TEST_F(CaptureTest, ContentAddedAfterLoadIsInTheCapture)
{
    // Content a timer or a frame callback (asked for by a timer) adds after the load: 2000 px, so a capture taken too
    // early has the wrong height as well as the wrong colour.
    struct Case
    {
        const char* name;
        const char* schedule;
    };
    for (const Case c : { Case { "timer", "(add) => setTimeout(add, 500)" },
             Case { "frame", "(add) => setTimeout(() => requestAnimationFrame(add), 300)" } }) {
        SCOPED_TRACE(c.name);
        LoadPage(QStringLiteral("/late-%1").arg(QLatin1String(c.name)),
            QByteArray(
                R"html(<!doctype html><body style="margin:0"><div style="height:200px;background:rgb(0,0,0)"></div>
<script>
addEventListener('load', () => ()html")
                + c.schedule + R"html()(() => {
  const late = document.createElement('div');
  late.style.cssText = 'height:2000px;background:rgb(255,128,0)';
  document.body.appendChild(late);
}));
</script></body>)html");
        const auto snapshot = Capture(*tab);
        ASSERT_TRUE(snapshot) << snapshot.error().message.toStdString();
        const QImage image = Pixels(*snapshot);
        EXPECT_EQ(image.height(), 2200);
        EXPECT_EQ(RowsOfColour(image, 10, 0, qRgb(255, 128, 0)), 2000);
    }
}

TEST_F(CaptureTest, FramesAreDrawnInsideTheOneTopLevelCapture)
{
    server.page("/inner", "<body style='margin:0;background:rgb(200,0,200)'></body>");
    LoadPage("/outer",
        "<!doctype html><body style='margin:0'><iframe src='/inner' "
        "style='border:0;width:400px;height:300px;display:block'></iframe>"
        "<div style='height:2000px;background:rgb(0,200,200)'></div></body>");
    const auto snapshot = Capture(*tab);
    ASSERT_TRUE(snapshot) << snapshot.error().message.toStdString();
    const QImage image = Pixels(*snapshot);
    EXPECT_EQ(image.size(), QSize(1280, 2300));
    EXPECT_LE(ColourDistance(image.pixel(200, 150), qRgb(200, 0, 200)), 2);
    EXPECT_LE(ColourDistance(image.pixel(200, 1000), qRgb(0, 200, 200)), 2);
}

// Ink of a glyph box: the positions of its dark pixels.
QImage GlyphBox(const QImage& image, int index)
{
    return image.copy(index * 160, 0, 160, 160);
}

int DarkPixels(const QImage& box)
{
    int count = 0;
    for (int y = 0; y < box.height(); ++y)
        for (int x = 0; x < box.width(); ++x)
            count += qGray(box.pixel(x, y)) < 128;
    return count;
}

int ColourfulPixels(const QImage& box)
{
    int count = 0;
    for (int y = 0; y < box.height(); ++y)
        for (int x = 0; x < box.width(); ++x)
            count += QColor(box.pixel(x, y)).hsvSaturation() > 100;
    return count;
}

TEST_F(CaptureTest, EmojiAndCjkAreRealGlyphsNotBoxes)
{
    // One glyph per 160 px box: two CJK characters, a code point no font has (the box), an emoji.
    LoadPage("/glyphs",
        QStringLiteral(R"html(<!doctype html><meta charset="utf-8"><body style="margin:0;background:#fff">
<style>span{display:inline-block;width:160px;height:160px;font-size:120px;line-height:160px;text-align:center;color:#000}</style>
<div style="white-space:nowrap"><span>漢</span><span>字</span><span>&#xE000;</span><span>😀</span></div></body>)html")
            .toUtf8());
    const auto snapshot = Capture(*tab);
    ASSERT_TRUE(snapshot) << snapshot.error().message.toStdString();
    const QImage image = Pixels(*snapshot);
    const QImage first = GlyphBox(image, 0), second = GlyphBox(image, 1), missing = GlyphBox(image, 2),
                 emoji = GlyphBox(image, 3);
    EXPECT_GT(DarkPixels(first), 500);
    EXPECT_GT(DarkPixels(second), 500);
    EXPECT_NE(first, second) << "both CJK characters drew the same shape (a missing-glyph box)";
    EXPECT_NE(first, missing);
    EXPECT_GT(DarkPixels(emoji), 500);
    EXPECT_NE(emoji, missing);
    EXPECT_EQ(ColourfulPixels(first), 0);
}

} // namespace
} // namespace qm::test
