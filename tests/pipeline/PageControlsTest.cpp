// How a page is shown (device, scale, media, requests) and element capture, through the page runner on
// real Chromium; each control proven by pixels or by what reached the loopback server.
#include <QImage>
#include <QImageReader>

#include "capture/CookiesFile.h"
#include "capture/PageSettings.h"
#include "tests/pipeline/PipelineFixture.h"
#include "tests/support/EventLoop.h"

namespace qm::test {
namespace {

bool Near(QRgb a, QRgb b)
{
    return std::max({ std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b)) })
        <= 3;
}

class PageControls : public ::testing::Test
{
protected:
    void SetUp() override
    {
        home.set("set", "outputfolder", home.file("out"));
        home.set("set", "outputformat", "PNG");
    }

    PageOutcome convert(const QString& path, std::chrono::seconds limit = 60s)
    {
        home.set("set", "timeout", QString::number(limit.count()));
        const FileSettings settings(home.settingsPath());
        PageConversion conversion(WarmSharedPool(), home.path());
        std::optional<PageOutcome> outcome;
        LoopRunner loop;
        conversion.convert(1, server.url(path), PageSettings::ReadFrom(settings), [&](PageOutcome o) {
            outcome = std::move(o);
            loop.done();
        });
        EXPECT_TRUE(loop.run(limit + 30s)) << "no outcome for " << path.toStdString();
        return outcome.value_or(PageOutcome { fail(Error::Code::Timeout, QStringLiteral("no outcome")) });
    }

    // The picture a page converted to; an empty one (and a failed expectation) when it failed.
    QImage picture(const PageOutcome& outcome)
    {
        EXPECT_TRUE(outcome.output) << outcome.output.error().message.toStdString();
        if (!outcome.output)
            return {};
        QImageReader::setAllocationLimit(0);
        return QImage(*outcome.output).convertToFormat(QImage::Format_RGB32);
    }

    QString reason(const PageOutcome& outcome)
    {
        EXPECT_FALSE(outcome.output) << "converted to " << outcome.output->toStdString();
        return outcome.output ? QString() : outcome.output.error().message;
    }

    TempHome home;
    TestServer server;
};

TEST_F(PageControls, ScaleTwoDoublesBothSidesAndTheHeightCapCountsPicturePixels)
{
    home.set("page", "scale", "2");
    home.set("set", "outputformat", "BMP"); // decoded by this process
    server.page("/small",
        "<!doctype html><body style='margin:0'><div style='height:1000px;background:rgb(20,120,220)'></div>"
        "<div style='position:absolute;left:100px;top:100px;width:50px;height:50px;background:rgb(255,0,0)'></div>");
    const QImage small = picture(convert("/small"));
    ASSERT_EQ(small.size(), QSize(2560, 2000));
    EXPECT_TRUE(Near(small.pixel(200, 200), qRgb(255, 0, 0)));
    EXPECT_TRUE(Near(small.pixel(299, 299), qRgb(255, 0, 0)));
    EXPECT_TRUE(Near(small.pixel(199, 199), qRgb(20, 120, 220)));
    EXPECT_TRUE(Near(small.pixel(300, 300), qRgb(20, 120, 220)));

    // Taken in two bands (the second starts half-way through a CSS pixel) and cut at 36000 picture
    // pixels, which are 18000 CSS pixels.
    home.set("set", "outputformat", "PNG");
    home.set("page", "width", "700");
    home.set("set", "maxheight", "36000");
    server.page("/tall",
        "<!doctype html><body style='margin:0'><div style='height:20000px;background:rgb(255,255,255)'></div>"
        "<div style='position:absolute;left:0;right:0;top:11420px;height:20px;background:rgb(255,0,0)'></div>"
        "<div style='position:absolute;left:0;right:0;top:17990px;height:20px;background:rgb(0,0,255)'></div>");
    const PageOutcome tallOutcome = convert("/tall");
    const QImage tall = picture(tallOutcome);
    ASSERT_EQ(tall.size(), QSize(1400, 36000));
    EXPECT_EQ(tallOutcome.note, "cut at 36000 px");
    EXPECT_TRUE(Near(tall.pixel(700, 22839), qRgb(255, 255, 255)));
    for (const int row : { 22840, 22856, 22857, 22879 })
        EXPECT_TRUE(Near(tall.pixel(700, row), qRgb(255, 0, 0))) << row;
    EXPECT_TRUE(Near(tall.pixel(700, 22880), qRgb(255, 255, 255)));
    EXPECT_TRUE(Near(tall.pixel(700, 35979), qRgb(255, 255, 255)));
    EXPECT_TRUE(Near(tall.pixel(700, 35999), qRgb(0, 0, 255)));
}

TEST_F(PageControls, DevicePresetSwitchesTheMediaQueryAtItsWidth)
{
    server.page("/narrow",
        "<!doctype html><meta name='viewport' content='width=device-width, initial-scale=1'>"
        "<style>body { margin: 0; background: rgb(0,0,200) } @media (max-width: 500px) { body { background: "
        "rgb(0,160,0) } }</style><div style='height:1200px'></div>");
    const QImage desktop = picture(convert("/narrow"));
    EXPECT_EQ(desktop.width(), 1280);
    EXPECT_TRUE(Near(desktop.pixel(10, 10), qRgb(0, 0, 200)));
    home.set("page", "device", "pixel-8"); // 412 CSS pixels at 2.625
    const QImage phone = picture(convert("/narrow"));
    EXPECT_EQ(phone.width(), 1082);
    EXPECT_TRUE(Near(phone.pixel(10, 10), qRgb(0, 160, 0)));
}

TEST_F(PageControls, ElementCaptureWaitsForTheElementAndTakesItsWholeBoxBelowTheFold)
{
    // The element, taller than the window and below it, arrives two seconds after the load, later than the page
    // settles.
    server.page("/element",
        "<!doctype html><body style='margin:0;background:rgb(240,240,240)'><div style='height:2000px'></div>"
        "<div id='slot'></div><div style='height:500px'></div><script>setTimeout(() => slot.innerHTML = \"<div "
        "id='target' style='margin-left:40px;width:300px;height:1200px;background:rgb(200,30,30);border-top:10px "
        "solid rgb(0,0,0)'></div>\", 2000)</script>");
    home.set("page", "selector", "#target");
    const QImage element = picture(convert("/element"));
    ASSERT_EQ(element.size(), QSize(300, 1210));
    EXPECT_TRUE(Near(element.pixel(0, 0), qRgb(0, 0, 0)));
    EXPECT_TRUE(Near(element.pixel(299, 9), qRgb(0, 0, 0)));
    EXPECT_TRUE(Near(element.pixel(0, 10), qRgb(200, 30, 30)));
    EXPECT_TRUE(Near(element.pixel(299, 1209), qRgb(200, 30, 30)));

    home.set("page", "selector", "div[");
    EXPECT_EQ(reason(convert("/element")), "invalid selector \"div[\"");
    home.set("page", "selector", "#absent");
    EXPECT_TRUE(reason(convert("/element", 8s)).contains(QRegularExpression("^waited [0-9.]+ s for #absent$")));
}

TEST_F(PageControls, CookiesHeadersAndUserAgentReachTheServer)
{
    QFile cookies(home.file("cookies.txt"));
    ASSERT_TRUE(cookies.open(QIODevice::WriteOnly));
    cookies.write("# Netscape HTTP Cookie File\n"
                  "127.0.0.1\tFALSE\t/\tFALSE\t0\tsession\tone\n"
                  "#HttpOnly_127.0.0.1\tFALSE\t/\tFALSE\t4102444800\tlasting\ttwo\n"
                  "127.0.0.1\tFALSE\t/\tFALSE\t1000\texpired\tgone\n");
    cookies.close();
    home.set("page", "cookies", cookies.fileName());
    home.set("page", "headers", "X-Quillmark: page controls|X-Second: 2");
    home.set("page", "useragent", "QuillmarkTest/1.0");
    server.page("/echo", "<!doctype html><p>echo");
    ASSERT_TRUE(convert("/echo").output);
    const QString head = QString::fromLatin1(server.lastRequest("/echo") + "\r\n").toLower();
    EXPECT_TRUE(head.contains("\r\ncookie: session=one; lasting=two\r\n")) << head.toStdString();
    EXPECT_TRUE(head.contains("\r\nx-quillmark: page controls\r\n")) << head.toStdString();
    EXPECT_TRUE(head.contains("\r\nx-second: 2\r\n")) << head.toStdString();
    EXPECT_TRUE(head.contains("\r\nuser-agent: quillmarktest/1.0\r\n")) << head.toStdString();
}

TEST(CookiesFile, LineThatIsNotACookieFailsNamingTheFileAndLine)
{
    const auto read = ParseCookiesFile("# comment\n\n.example.org\tTRUE\t/\tTRUE\t0\tsid\tabc\n"
                                       "example.org\tFALSE\t/\tFALSE\tsoon\tname\tvalue\n",
        "/tmp/c.txt", 0);
    ASSERT_FALSE(read);
    EXPECT_TRUE(read.error().message.startsWith("the cookies file /tmp/c.txt, line 4: "))
        << read.error().message.toStdString();
    const auto six = ParseCookiesFile("example.org\tFALSE\t/\tFALSE\t0\tname\n", "c.txt", 0);
    ASSERT_FALSE(six);
    EXPECT_TRUE(six.error().message.contains("line 1")) << six.error().message.toStdString();
}

TEST_F(PageControls, BasicAuthPageConvertsWithCredentialsAndFailsWith401WithoutThem)
{
    server.route(
        "/private", TestServer::Route { .body = ColourPage("rgb(0,120,0)", 1000), .basicAuth = "reader:open sesame" });
    EXPECT_TRUE(reason(convert("/private")).contains("401"));
    home.set("page", "auth", "reader:open sesame");
    EXPECT_TRUE(Near(picture(convert("/private")).pixel(10, 500), qRgb(0, 120, 0)));
}

TEST_F(PageControls, ColourSchemeAndReducedMotionReachTheMediaQueries)
{
    server.page("/media",
        "<!doctype html><style>body { margin: 0; background: rgb(255,255,255) } #m { height: 100px; background: "
        "rgb(0,0,255) } @media (prefers-color-scheme: dark) { body { background: rgb(20,20,20) } } "
        "@media (prefers-reduced-motion: reduce) { #m { background: rgb(0,200,0) } }</style>"
        "<div id='m'></div><div style='height:1000px'></div>");
    home.set("page", "colorscheme", "dark");
    home.set("page", "reducedmotion", "1");
    const QImage shown = picture(convert("/media"));
    EXPECT_TRUE(Near(shown.pixel(10, 10), qRgb(0, 200, 0)));
    EXPECT_TRUE(Near(shown.pixel(10, 500), qRgb(20, 20, 20)));
}

TEST_F(PageControls, BlockedRequestsNeverReachTheServer)
{
    server.page("/ads/banner.png", "");
    server.page("/tracker.js", "");
    server.page("/kept.js", "");
    server.page("/blocking",
        "<!doctype html><img src='/ads/banner.png'><script src='/tracker.js'></script><script "
        "src='/kept.js'></script>");
    home.set("page", "block", "*/ads/*, tracker.js");
    ASSERT_TRUE(convert("/blocking").output);
    EXPECT_EQ(server.hits("/ads/banner.png"), 0);
    EXPECT_EQ(server.hits("/tracker.js"), 0);
    EXPECT_EQ(server.hits("/kept.js"), 1);
}

// A page after one with every control shows as a fresh desktop browser, in a tab that knows nothing of it.
TEST_F(PageControls, PageAfterAPageWithControlsIsShownWithTheDefaults)
{
    server.page("/probe",
        "<!doctype html><meta name='viewport' content='width=device-width'><style>body { margin: 0; background: "
        "rgb(255,255,255) } @media (prefers-color-scheme: dark) { body { background: rgb(20,20,20) } }</style>"
        "<div style='height:1000px'></div><img src='/blocked.png'><script>const before = window.name;"
        "window.name = 'visited'; new Image().src = '/seen?before=' + before + '&touch=' + navigator.maxTouchPoints"
        " + '&dpr=' + devicePixelRatio + '&width=' + innerWidth + '&motion=' + "
        "matchMedia('(prefers-reduced-motion: reduce)').matches;</script>");
    server.page("/blocked.png", "");
    QFile cookies(home.file("cookies.txt"));
    ASSERT_TRUE(cookies.open(QIODevice::WriteOnly));
    cookies.write("127.0.0.1\tFALSE\t/\tFALSE\t0\tsession\tone\n");
    cookies.close();
    const QStringList controls { "device=iphone-se", "useragent=Controlled/1", "headers=X-Controlled: 1",
        "cookies=" + cookies.fileName(), "colorscheme=dark", "reducedmotion=1", "block=blocked.png",
        "auth=reader:secret" };
    for (const QString& control : controls)
        home.set("page", control.section('=', 0, 0), control.section('=', 1));
    ASSERT_TRUE(convert("/probe").output);
    const QString controlled = QString::fromLatin1(server.lastRequest("/seen"));
    EXPECT_TRUE(controlled.contains("&touch=5&dpr=2&width=375&motion=true ")) << controlled.toStdString();
    EXPECT_EQ(server.hits("/blocked.png"), 0);

    for (const QString& control : controls)
        home.set("page", control.section('=', 0, 0), "");
    const QImage plain = picture(convert("/probe"));
    const QString seen = QString::fromLatin1(server.lastRequest("/seen"));
    EXPECT_TRUE(seen.contains("?before=&")) << "the second page saw the first one's window";
    EXPECT_TRUE(seen.contains("&touch=0&dpr=1&width=1280&motion=false ")) << seen.toStdString();
    EXPECT_TRUE(seen.contains("HeadlessChrome")) << seen.toStdString();
    EXPECT_FALSE(seen.contains("X-Controlled", Qt::CaseInsensitive)) << seen.toStdString();
    EXPECT_FALSE(seen.contains("Cookie:", Qt::CaseInsensitive)) << seen.toStdString();
    EXPECT_EQ(server.hits("/blocked.png"), 1);
    EXPECT_EQ(plain.width(), 1280);
    EXPECT_TRUE(Near(plain.pixel(10, 500), qRgb(255, 255, 255)));
}

} // namespace
} // namespace qm::test
