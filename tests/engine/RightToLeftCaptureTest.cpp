// Right-to-left pages come out where the browser lays them out: at every scale, in bands, and when the
// picture has the view's own size.
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "capture/PdfCapture.h"
#include "tests/engine/EngineFixture.h"
#include "tests/support/EventLoop.h"

namespace qm::test {
namespace {

const QRgb kStart = qRgb(204, 0, 0); // a 300 px box at the start of the line: the right edge
const QRgb kBlock = qRgb(0, 170, 0); // a full-width block below it

bool Near(const QImage& image, int x, int y, QRgb colour)
{
    return image.valid(x, y) && ColourDistance(image.pixel(x, y), colour) <= 4;
}

// Boxes at the start of the line, at the top and (on tall pages) near the bottom, each followed by a
// full-width block. `where`: html, body or inner (a box inside a left-to-right body).
QByteArray RtlPage(const QString& where, int height)
{
    const QString rows = QStringLiteral("<div class='box'></div><div class='block'></div>");
    const QString body = QStringLiteral("%1<div style='height:%2px'></div>%1").arg(rows).arg(std::max(0, height - 800));
    const QString dir = QStringLiteral(" dir='rtl'");
    return QStringLiteral("<!doctype html><html%1><style>body{margin:0}.box{width:300px;height:100px;"
                          "background:rgb(204,0,0)}.block{height:300px;background:rgb(0,170,0)}</style>"
                          "<body%2>%3</body></html>")
        .arg(where == QLatin1String("html") ? dir : QString(), where == QLatin1String("body") ? dir : QString(),
            where == QLatin1String("inner") ? QStringLiteral("<div dir='rtl'>%1</div>").arg(body) : body)
        .toUtf8();
}

void SetScale(cdp::Tab& tab, double scale)
{
    cdp::PageEmulation emulation;
    emulation.scale = scale;
    LoopRunner runner;
    Result<void> result;
    tab.emulate(emulation, [&](Result<void> r) {
        result = r;
        runner.done();
    });
    ASSERT_TRUE(runner.run(20s));
    ASSERT_TRUE(result) << result.error().message.toStdString();
}

class RightToLeftCaptureTest : public EngineTest
{
};

TEST_F(RightToLeftCaptureTest, PageComesOutAtTheBrowsersOwnLayout)
{
    for (const double scale : { 1.0, 2.0 }) {
        SetScale(*tab, scale);
        // A page no taller than the view, and one taken in more than one band.
        for (const int height : { 800, scale == 1 ? 33000 : 8500 }) {
            for (const char* where : { "html", "body", "inner" }) {
                SCOPED_TRACE(testing::Message() << where << " " << height << " px at " << scale << "x");
                LoadPage(QStringLiteral("/rtl-%1-%2").arg(QLatin1String(where)).arg(height),
                    RtlPage(QLatin1String(where), height));
                const auto boxes = Evaluate(*tab,
                    QStringLiteral(
                        "[...document.querySelectorAll('.box')].map((b) => "
                        "[b.getBoundingClientRect().left + scrollX, b.getBoundingClientRect().top + scrollY])"));
                ASSERT_TRUE(boxes);
                cdp::SnapshotRequest request;
                request.encoding = cdp::SnapshotEncoding::Png;
                const auto snapshot = Capture(*tab, request);
                ASSERT_TRUE(snapshot) << snapshot.error().message.toStdString();
                const QImage image = Pixels(*snapshot);
                ASSERT_EQ(image.size(), QSize(1280, height) * scale);
                for (const QJsonValue& box : boxes->toArray()) {
                    const int left = int(box[0].toDouble() * scale), top = int((box[1].toDouble() + 50) * scale);
                    ASSERT_EQ(left, int(980 * scale)) << "the browser put the box elsewhere";
                    EXPECT_TRUE(Near(image, left - 1, top, qRgb(255, 255, 255))) << "shifted to the left";
                    EXPECT_TRUE(Near(image, left, top, kStart)) << "shifted to the right";
                    EXPECT_TRUE(Near(image, image.width() - 1, top, kStart)) << "the right edge is cut";
                    EXPECT_TRUE(Near(image, 0, top + int(150 * scale), kBlock));
                }
            }
        }
    }
}

// A box exactly the view's size, away from the view, taken alone.
TEST_F(RightToLeftCaptureTest, ElementOfTheViewsSizeKeepsItsPlace)
{
    LoadPage(QStringLiteral("/rtl-element"),
        "<!doctype html><html dir='rtl'><style>body{margin:0}.box{width:300px;height:100px;background:rgb(204,0,0)}"
        "</style><body><div style='height:1500px'></div><div id='view' style='height:800px'>"
        "<div class='box'></div></div><div style='height:1500px'></div></body></html>");
    cdp::SnapshotRequest request;
    request.selector = QStringLiteral("#view");
    request.encoding = cdp::SnapshotEncoding::Png;
    const auto snapshot = Capture(*tab, request);
    ASSERT_TRUE(snapshot) << snapshot.error().message.toStdString();
    const QImage image = Pixels(*snapshot);
    ASSERT_EQ(image.size(), QSize(1280, 800));
    EXPECT_TRUE(Near(image, 979, 50, qRgb(255, 255, 255)));
    EXPECT_TRUE(Near(image, 980, 50, kStart));
    EXPECT_TRUE(Near(image, 1279, 50, kStart));
    EXPECT_TRUE(Near(image, 1279, 799, qRgb(255, 255, 255))) << "the bands met at the wrong row";
}

// The printed sheet keeps the page's right-to-left layout: the box sits at the right margin.
TEST_F(RightToLeftCaptureTest, PrintedSheetKeepsTheBoxAtTheRight)
{
    server.page("/rtl-print", RtlPage(QStringLiteral("html"), 800));
    QTemporaryDir folder;
    const QString pdf = folder.filePath("rtl.pdf");
    LoopRunner runner;
    Result<void> printed = fail(Error::Code::Timeout, "never called back");
    MakePdfFromPage(*tab, server.url("/rtl-print"), pdf, 30s, cdp::ScrollerExpansion::Page, false, [&](Result<void> r) {
        printed = r;
        runner.done();
    });
    runner.run(40s);
    ASSERT_TRUE(printed) << printed.error().message.toStdString();
    QProcess raster;
    raster.start(QStringLiteral("pdftoppm"),
        { QStringLiteral("-r"), QStringLiteral("36"), QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf,
            folder.filePath("sheet") });
    ASSERT_TRUE(raster.waitForFinished(30000) && raster.exitCode() == 0) << "pdftoppm (poppler-utils) is needed";
    const QImage sheet(folder.filePath("sheet.png"));
    ASSERT_FALSE(sheet.isNull());
    int left = sheet.width(), right = -1;
    for (int y = 0; y < sheet.height() / 4; ++y)
        for (int x = 0; x < sheet.width(); ++x)
            if (Near(sheet, x, y, kStart)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    ASSERT_GE(right, 0) << "the box is missing";
    EXPECT_GT(left, sheet.width() / 2) << "the box moved to the left";
    EXPECT_LT(sheet.width() - 1 - right, sheet.width() / 10) << "the box left the right margin";
}

} // namespace
} // namespace qm::test
