// Navigation outcomes against the real browser: what completes, what fails and why, and the
// page behaviours (dialogs, pop-ups, downloads, frames) that must never stall a capture.
#include <QJsonArray>
#include <QJsonObject>
#include <QTcpServer>

#include "platform/cdp/Connection.h"
#include "platform/cdp/Session.h"
#include "tests/engine/EngineFixture.h"
#include "tests/support/EventLoop.h"

namespace qm::test {
namespace {

class NavigationTest : public EngineTest
{
};

// A port on 127.0.0.1 that nothing listens on.
quint16 RefusedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort(); // closed when probe goes
}

struct FailureCase
{
    const char* name;
    std::function<QString(TestServer&)> address;
    std::chrono::milliseconds limit;
    qm::Error::Code code;
    const char* reasonContains;
};

TEST_F(NavigationTest, AddressesThatLoadNothingFailWithTheirReason)
{
    server.stall("/stall");
    const std::vector<FailureCase> cases {
        { "refused port", [](TestServer&) { return QStringLiteral("http://127.0.0.1:%1/").arg(RefusedPort()); }, 20s,
            qm::Error::Code::Navigation, "refused" },
        { "unknown host", [](TestServer&) { return QStringLiteral("http://nonexistent.invalid/"); }, 20s,
            qm::Error::Code::Navigation, "host name could not be found" },
        { "stalled response ended by the limit", [](TestServer& s) { return s.url("/stall"); }, 2s,
            qm::Error::Code::Timeout, "within 2 s" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString address = c.address(server);
        const LoadOutcome outcome = Load(*tab, address, c.limit);
        ASSERT_TRUE(outcome.finished);
        EXPECT_FALSE(outcome.complete);
        EXPECT_EQ(outcome.url, address);
        EXPECT_EQ(outcome.error.code, c.code);
        EXPECT_TRUE(outcome.error.message.contains(QLatin1String(c.reasonContains)))
            << outcome.error.message.toStdString();
    }
    // After the failures the same tab still loads pages.
    server.page("/fine", "<p>fine</p>");
    EXPECT_TRUE(Load(*tab, server.url("/fine")).complete);
}

TEST_F(NavigationTest, StalledSubresourceEndsAtTheLimit)
{
    server.stall("/never.png");
    server.page("/page", "<p>text</p><img src='/never.png'>");
    const LoadOutcome outcome = Load(*tab, server.url("/page"), 2s);
    EXPECT_FALSE(outcome.complete);
    EXPECT_EQ(outcome.error.code, qm::Error::Code::Timeout);
}

TEST_F(NavigationTest, HttpErrorPagesCompleteWithTheirStatus)
{
    server.route(
        "/gone", TestServer::Route { .status = 410, .body = "<body style='background:rgb(0,0,255)'>gone</body>" });
    server.route("/empty404", TestServer::Route { .status = 404, .body = "" });
    struct Case
    {
        const char* path;
        int status;
    };
    for (const Case c : { Case { "/missing", 404 }, Case { "/gone", 410 }, Case { "/empty404", 404 } }) {
        SCOPED_TRACE(c.path);
        const LoadOutcome outcome = Load(*tab, server.url(c.path));
        ASSERT_TRUE(outcome.complete) << outcome.error.message.toStdString();
        EXPECT_EQ(outcome.url, server.url(c.path));
        EXPECT_EQ(outcome.load.httpStatus, c.status);
        EXPECT_EQ(tab->lastLoad().httpStatus, c.status);
    }
    // The server's own error page is what gets captured.
    ASSERT_TRUE(Load(*tab, server.url("/gone")).complete);
    const auto snapshot = Capture(*tab);
    ASSERT_TRUE(snapshot) << snapshot.error().message.toStdString();
    EXPECT_LE(ColourDistance(Pixels(*snapshot).pixel(600, 600), qRgb(0, 0, 255)), 2);
}

TEST_F(NavigationTest, OkPagesReportStatus200)
{
    server.page("/ok", "<p>ok</p>");
    const LoadOutcome outcome = Load(*tab, server.url("/ok"));
    ASSERT_TRUE(outcome.complete);
    EXPECT_EQ(outcome.load.httpStatus, 200);
    EXPECT_EQ(tab->currentUrl(), server.url("/ok"));
}

TEST_F(NavigationTest, AlertConfirmAndPromptOnLoadAreDismissed)
{
    QStringList dialogs;
    QObject::connect(tab, &cdp::Tab::dialogDismissed, tab,
        [&](const QString& type, const QString& message) { dialogs << type + ":" + message; });
    server.page("/dialogs",
        "<script>alert('one'); window.answer = confirm('two'); prompt('three');</script>"
        "<body onload=\"alert('four')\">text</body>");
    const LoadOutcome outcome = Load(*tab, server.url("/dialogs"), 15s);
    ASSERT_TRUE(outcome.complete) << outcome.error.message.toStdString();
    EXPECT_EQ(dialogs, (QStringList { "alert:one", "confirm:two", "prompt:three", "alert:four" }));
    const auto answer = Evaluate(*tab, "window.answer");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->toBool(true), false); // dismissed, not accepted
}

TEST_F(NavigationTest, PopupsAreClosedAndTheOpenerGoesOn)
{
    server.page("/popup-target", "<p>popup</p>");
    LoadPage("/opener", "<p>opener</p>");
    QStringList closed;
    QObject::connect(tab, &cdp::Tab::popupClosed, tab, [&](const QString& url) { closed << url; });
    QStringList created, destroyed;
    auto* connection = SharedBrowser().connection();
    QObject::connect(connection, &cdp::Connection::event, tab, [&](const QString& method, const QJsonObject& params) {
        const QJsonObject info = params.value("targetInfo").toObject();
        if (method == "Target.targetCreated" && info.value("openerId").toString() == tab->targetId())
            created << info.value("targetId").toString();
        if (method == "Target.targetDestroyed")
            destroyed << params.value("targetId").toString();
    });
    // As a click would: with a user gesture, so the pop-up blocker lets it through.
    tab->session().send("Runtime.evaluate",
        { { "expression", QStringLiteral("window.open('%1', '_blank', 'popup')").arg(server.url("/popup-target")) },
            { "userGesture", true } });
    ASSERT_TRUE(waitForSignal(tab, &cdp::Tab::popupClosed, 10s));
    EXPECT_EQ(closed.size(), 1);
    ASSERT_EQ(created.size(), 1);
    if (!destroyed.contains(created.first())) {
        LoopRunner runner;
        QObject::connect(
            connection, &cdp::Connection::event, tab, [&](const QString& method, const QJsonObject& params) {
                if (method == "Target.targetDestroyed" && params.value("targetId").toString() == created.first())
                    runner.done();
            });
        EXPECT_TRUE(runner.run(10s)) << "the pop-up was never destroyed";
    }
    EXPECT_TRUE(Capture(*tab).has_value());
}

TEST_F(NavigationTest, DownloadAddressIsRefusedAndReported)
{
    server.route("/file.bin",
        TestServer::Route { .contentType = "application/octet-stream",
            .body = QByteArray(4096, 'x'),
            .headers = { { "Content-Disposition", "attachment; filename=file.bin" } } });
    QStringList refused;
    QObject::connect(tab, &cdp::Tab::downloadRefused, tab, [&](const QString& url) { refused << url; });
    const LoadOutcome outcome = Load(*tab, server.url("/file.bin"), 10s);
    ASSERT_TRUE(outcome.finished);
    EXPECT_FALSE(outcome.complete);
    EXPECT_EQ(outcome.error.code, qm::Error::Code::Navigation);
    EXPECT_TRUE(outcome.error.message.contains("download")) << outcome.error.message.toStdString();
    EXPECT_EQ(refused, QStringList { server.url("/file.bin") });
}

TEST_F(NavigationTest, FramesCompleteAsNotTopLevelAndTheTopDocumentOnce)
{
    server.page("/frame-a", "<p>a</p>");
    server.page("/frame-b", "<p>b</p>");
    server.page("/frames", "<iframe src='/frame-a'></iframe><iframe src='/frame-b'></iframe><p>top</p>");
    QList<QPair<QString, bool>> started;
    QObject::connect(tab, &cdp::Tab::navigationStarted, tab, [&](const QString& url, bool topLevel) {
        started.append({ url, topLevel });
    });
    const LoadOutcome outcome = Load(*tab, server.url("/frames"));
    ASSERT_TRUE(outcome.complete);
    EXPECT_EQ(outcome.url, server.url("/frames"));
    EXPECT_EQ(outcome.topLevelCompletions, 1);
    QStringList frames = outcome.frameCompletions;
    frames.sort();
    EXPECT_EQ(frames, (QStringList { server.url("/frame-a"), server.url("/frame-b") }));
    EXPECT_TRUE(started.contains(qMakePair(server.url("/frames"), true)));
    EXPECT_TRUE(started.contains(qMakePair(server.url("/frame-a"), false)));
}

TEST_F(NavigationTest, AboutBlankCompletesUnderItsOwnAddress)
{
    const LoadOutcome outcome = Load(*tab, "about:blank");
    ASSERT_TRUE(outcome.complete);
    EXPECT_EQ(outcome.url, "about:blank");
}

TEST_F(NavigationTest, BodyHtmlHasABodyTagAndEvaluateReportsScriptErrors)
{
    LoadPage("/text", "<html><body><h1>Title</h1><p>caf\xC3\xA9</p></body></html>");
    std::optional<qm::Result<QString>> html;
    LoopRunner runner;
    tab->bodyHtml([&](qm::Result<QString> r) {
        html = r;
        runner.done();
    });
    ASSERT_TRUE(runner.run(20s));
    ASSERT_TRUE(html && *html);
    EXPECT_TRUE((*html)->startsWith("<body>"));
    EXPECT_TRUE((*html)->contains(QStringLiteral("caf\u00e9")));

    const auto sum = Evaluate(*tab, "Promise.resolve(20 + 22)");
    ASSERT_TRUE(sum);
    EXPECT_EQ(sum->toInt(), 42);
    const auto thrown = Evaluate(*tab, "(() => { throw new Error('boom'); })()");
    ASSERT_FALSE(thrown);
    EXPECT_TRUE(thrown.error().message.contains("boom"));
}

} // namespace
} // namespace qm::test
