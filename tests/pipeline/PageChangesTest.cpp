// What the page controls change before a page is kept (waited for, hidden, removed, overlays, style,
// script), checked by the pixels and text of real conversions.
#include <QFile>
#include <QImage>

#include "tests/pipeline/PipelineFixture.h"

namespace qm::test {
namespace {

// One page converted with these "page" settings (and these of "set").
struct Converted
{
    QString status;
    QString reason;
    PageOutcome outcome;
    QImage picture;
    QByteArray bytes;
};

Converted Convert(const QString& address, const QList<QPair<QString, QString>>& page,
    const QString& format = QStringLiteral("PNG"), const QString& timeout = QStringLiteral("60"),
    const QList<QPair<QString, QString>>& set = {})
{
    TempHome home;
    home.set("set", "outputfolder", home.file("out"));
    home.set("set", "outputformat", format);
    home.set("set", "timeout", timeout);
    for (const auto& [key, value] : page)
        home.set("page", key, value);
    for (const auto& [key, value] : set)
        home.set("set", key, value);
    RealBatch batch(SharedPool(), home);
    batch.add(address);
    Converted converted;
    EXPECT_TRUE(batch.run(120s));
    if (batch.outcomes.size() != 1)
        return converted;
    converted.status = batch.list.status(0);
    converted.reason = batch.list.reason(0);
    converted.outcome = batch.outcomes[0];
    if (const auto path = converted.outcome.output) {
        QFile file(*path);
        if (file.open(QIODevice::ReadOnly))
            converted.bytes = file.readAll();
        converted.picture = QImage::fromData(converted.bytes).convertToFormat(QImage::Format_RGB32);
    }
    return converted;
}

bool Near(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) <= 8 && std::abs(qGreen(a) - qGreen(b)) <= 8
        && std::abs(qBlue(a) - qBlue(b)) <= 8;
}

const QRgb White = qRgb(255, 255, 255);

// A green block appears `after` milliseconds after the load, from the page's own timer.
QByteArray LatePage()
{
    return "<!doctype html><body style='margin:0'><div style='height:100px;background:rgb(200,0,0)'></div>"
           "<script>const after = Number(new URLSearchParams(location.search).get('after'));"
           "setTimeout(() => { const late = document.createElement('div'); late.id = 'late';"
           "late.style.cssText = 'height:100px;background:rgb(0,200,0)'; document.body.append(late); }, after);"
           "</script></body>";
}

TEST(PageChanges, WaitForAndDelayKeepContentThatArrivesLate)
{
    TestServer server;
    server.page("/late", LatePage());
    // Beyond the few timers settling waits for: only the wait brings it into the picture.
    const Converted waited = Convert(server.url("/late?after=3000"), { { "waitfor", "#late" } });
    ASSERT_EQ(waited.status, "OK") << waited.reason.toStdString();
    EXPECT_TRUE(Near(waited.picture.pixel(640, 150), qRgb(0, 200, 0)));
    // The delay starts once the page has settled, after the load: the page's timer is due before it ends.
    const Converted delayed = Convert(server.url("/late?after=2500"), { { "delay", "3000" } });
    ASSERT_EQ(delayed.status, "OK") << delayed.reason.toStdString();
    EXPECT_TRUE(Near(delayed.picture.pixel(640, 150), qRgb(0, 200, 0)));
    // Due long after any capture of the page is over (its time limit included), so surely missing.
    const Converted plain = Convert(server.url("/late?after=600000"), {});
    ASSERT_EQ(plain.status, "OK") << plain.reason.toStdString();
    EXPECT_TRUE(Near(plain.picture.pixel(640, 150), White));
}

TEST(PageChanges, FailuresNameTheirCause)
{
    TestServer server;
    server.page("/late", LatePage());
    const Converted never = Convert(server.url("/late?after=600000"), { { "waitfor", "#late" } }, "PNG", "8");
    EXPECT_EQ(never.status, "Failed");
    EXPECT_TRUE(never.reason.startsWith("waited ") && never.reason.endsWith(" s for #late"))
        << never.reason.toStdString();
    const Converted invalid = Convert(server.url("/late"), { { "hide", "div, p[" } });
    EXPECT_EQ(invalid.reason, "invalid selector \"p[\"");
    const Converted thrown = Convert(server.url("/late"), { { "script", "throw new RangeError('no such panel')" } });
    EXPECT_EQ(thrown.reason, "the page script failed: RangeError: no such panel");
}

// Four bands of 100 px: red, blue, black, black.
QByteArray BandsPage()
{
    return "<!doctype html><title>Bands</title><body style='margin:0'>"
           "<div id='a' style='height:100px;background:rgb(200,0,0)'>alpha</div>"
           "<div id='b' style='height:100px;background:rgb(0,0,200)'>bravo</div>"
           "<div id='c' style='height:100px;background:rgb(0,0,0)'>charlie</div>"
           "<div id='d' style='height:100px;background:rgb(0,0,0)'>delta</div></body>";
}

TEST(PageChanges, HideRemoveStyleAndScriptShowInEveryOutput)
{
    TestServer server;
    server.page("/bands", BandsPage());
    // The script's promise is awaited: its change comes after a timer of its own.
    const QList<QPair<QString, QString>> page { { "hide", "#a" }, { "remove", "#b" },
        { "style", "#c { background: rgb(0, 200, 0) !important }" },
        { "script",
            "new Promise((done) => setTimeout(() => { document.getElementById('d').style.background = "
            "'rgb(250,200,0)'; document.getElementById('d').textContent = 'echo'; done(); }, 300))" } };
    const Converted picture = Convert(server.url("/bands"), page);
    ASSERT_EQ(picture.status, "OK") << picture.reason.toStdString();
    const QImage& p = picture.picture;
    EXPECT_TRUE(Near(p.pixel(640, 50), White)) << "hidden, its place kept";
    EXPECT_TRUE(Near(p.pixel(640, 150), qRgb(0, 200, 0))) << "removed, the next band moved up and restyled";
    EXPECT_TRUE(Near(p.pixel(640, 250), qRgb(250, 200, 0))) << "changed by the script";
    EXPECT_TRUE(Near(p.pixel(640, 350), White));

    // Text is made from the HTML: hidden and removed elements are left out of it, the script's words are in.
    const Converted text = Convert(server.url("/bands"), page, "TXT");
    ASSERT_EQ(text.status, "OK") << text.reason.toStdString();
    EXPECT_FALSE(text.bytes.contains("alpha") || text.bytes.contains("bravo")) << text.bytes.toStdString();
    EXPECT_TRUE(text.bytes.contains("charlie") && text.bytes.contains("echo")) << text.bytes.toStdString();
}

TEST(PageChanges, PdfKeepsTheChangesOfAScriptThatMovedTheAddress)
{
    TestServer server;
    server.page("/bands", BandsPage());
    const Converted pdf
        = Convert(server.url("/bands"), { { "script", "history.pushState(null, '', '/moved#x')" } }, "PDF");
    ASSERT_EQ(pdf.status, "OK") << pdf.reason.toStdString();
    EXPECT_TRUE(pdf.bytes.startsWith("%PDF-"));
    EXPECT_EQ(server.hits("/bands"), 1) << "the page was loaded again for its PDF, without the script's changes";
}

TEST(PageChanges, NoOverlaysTakesConsentDialogAndItsScrollLockAway)
{
    TestServer server;
    // A consent manager's dialog over a dimmed page that it pins in place, so it cannot scroll, and a
    // site's own cookie bar; the page's content sits in a wrapper whose name speaks of cookies too.
    server.page("/consent",
        "<!doctype html><html><body style='margin:0;position:fixed;top:0;width:100%;overflow:hidden'>"
        "<div class='page cookie-consent-given'><div style='height:2000px;background:rgb(0,0,200)'></div></div>"
        "<div class='site-cookie-bar'><div style='position:fixed;bottom:0;left:0;right:0;height:100px;"
        "background:rgb(250,250,0)'>We use cookies</div></div>"
        "<div id='onetrust-consent-sdk'><div style='position:fixed;inset:0;background:rgb(20,20,20)'>"
        "<div style='margin:200px auto;width:400px;height:200px;background:white'>Accept all cookies</div>"
        "</div></div></body></html>");
    // The capture lifts a lock for the whole page unless it takes the page as it shows.
    const QList<QPair<QString, QString>> asShown { { "expandscrollers", "none" } };
    const Converted locked = Convert(server.url("/consent"), {}, "PNG", "60", asShown);
    ASSERT_EQ(locked.status, "OK") << locked.reason.toStdString();
    EXPECT_EQ(locked.picture.height(), 800) << "the pinned page shows one screen only";
    EXPECT_TRUE(Near(locked.picture.pixel(100, 100), qRgb(20, 20, 20)));

    const Converted open = Convert(server.url("/consent"), { { "nooverlays", "1" } });
    ASSERT_EQ(open.status, "OK") << open.reason.toStdString();
    EXPECT_EQ(open.picture.size(), QSize(1280, 2000));
    for (const QPoint at : { QPoint(100, 100), QPoint(640, 300), QPoint(640, 750), QPoint(640, 1900) })
        EXPECT_TRUE(Near(open.picture.pixel(at), qRgb(0, 0, 200))) << at.x() << "," << at.y();
    EXPECT_EQ(open.outcome.pixelSize, QSize(1280, 2000));

    // Without an overlay to take away, a locked page is locked by its own design and stays so.
    server.page("/app",
        "<!doctype html><body style='margin:0;position:fixed;top:0;width:100%;overflow:hidden'>"
        "<div style='height:2000px;background:rgb(0,0,200)'></div></body>");
    const Converted app = Convert(server.url("/app"), { { "nooverlays", "1" } }, "PNG", "60", asShown);
    ASSERT_EQ(app.status, "OK") << app.reason.toStdString();
    EXPECT_EQ(app.picture.height(), 800);
}

} // namespace
} // namespace qm::test
