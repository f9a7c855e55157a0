// The engine's life: renderer crashes, a dying browser, a remote browser over a WebSocket.
#include <QFileInfo>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>

#include <unistd.h>

#include "capture/FullPageCapture.h"
#include "platform/cdp/BrowserProcess.h"
#include "platform/cdp/ProcessGroup.h"
#include "platform/cdp/Session.h"
#include "tests/engine/EngineFixture.h"
#include "tests/support/EventLoop.h"

namespace qm::test {
namespace {

const QByteArray Green = "<!doctype html><body style='margin:0;background:rgb(0,200,0)'><p>green</p></body>";

class EngineLifeTest : public EngineTest
{
};

TEST_F(EngineLifeTest, RendererCrashIsReportedAndANewTabWorks)
{
    LoadPage("/page", Green);
    std::optional<qm::Error> crash;
    QObject::connect(tab, &cdp::Tab::crashed, tab, [&](const qm::Error& why) { crash = why; });
    tab->session().send("Page.crash");
    ASSERT_TRUE(crash || waitForSignal(tab, &cdp::Tab::crashed, 20s));
    ASSERT_TRUE(crash);
    EXPECT_EQ(crash->code, qm::Error::Code::Crashed);
    EXPECT_TRUE(tab->isCrashed());

    // The crashed tab refuses work quickly instead of hanging.
    const auto capture = Capture(*tab, { .timeLimit = 20s });
    ASSERT_FALSE(capture);
    EXPECT_EQ(capture.error().code, qm::Error::Code::Crashed);
    const LoadOutcome load = Load(*tab, server.url("/page"), 10s);
    EXPECT_EQ(load.error.code, qm::Error::Code::Crashed);

    cdp::Tab* fresh = OpenTab(SharedBrowser());
    ASSERT_NE(fresh, nullptr);
    EXPECT_TRUE(Load(*fresh, server.url("/page")).complete);
    const auto snapshot = Capture(*fresh);
    ASSERT_TRUE(snapshot);
    EXPECT_LE(ColourDistance(Pixels(*snapshot).pixel(5, 700), qRgb(0, 200, 0)), 2);
    delete fresh;
}

TEST_F(EngineLifeTest, DeadBrowserFailsItsTabsAndStartsAgainOnTheNextTab)
{
    server.page("/page", Green);
    cdp::Browser browser(cdp::BrowserOptions {});
    cdp::Tab* first = OpenTab(browser);
    ASSERT_NE(first, nullptr);
    const qint64 pid = browser.processId();
    ASSERT_GT(pid, 0);
    const QString profile = browser.findChild<cdp::BrowserProcess*>()->profilePath();
    EXPECT_TRUE(QFileInfo(profile).isDir());

    std::optional<qm::Error> crash;
    QObject::connect(first, &cdp::Tab::crashed, first, [&](const qm::Error& why) { crash = why; });
    ::kill(pid_t(pid), SIGKILL);
    ASSERT_TRUE(waitForSignal(&browser, &cdp::Browser::disconnected, 20s));
    if (!crash) {
        ASSERT_TRUE(waitForSignal(first, &cdp::Tab::crashed, 5s));
    }
    EXPECT_EQ(crash->code, qm::Error::Code::BrowserGone);
    EXPECT_FALSE(browser.isConnected());

    cdp::Tab* second = OpenTab(browser);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(browser.processId(), pid);
    EXPECT_TRUE(Load(*second, server.url("/page")).complete);
    EXPECT_TRUE(Capture(*second).has_value());
    EXPECT_FALSE(QFileInfo::exists(profile)) << "the dead browser's profile folder was left behind";
}

TEST_F(EngineLifeTest, MissingExecutableIsAClearError)
{
    const auto found = cdp::Browser::findExecutable("/nonexistent/chromium");
    ASSERT_FALSE(found);
    EXPECT_EQ(found.error().code, qm::Error::Code::NotFound);
    EXPECT_TRUE(found.error().message.contains("chromium"));

    cdp::Browser browser(cdp::BrowserOptions { .executable = "/nonexistent/chromium" });
    LoopRunner runner;
    std::optional<qm::Result<cdp::Tab*>> result;
    browser.newTab([&](qm::Result<cdp::Tab*> r) {
        result = r;
        runner.done();
    });
    ASSERT_TRUE(runner.run(10s));
    ASSERT_FALSE(*result);
    EXPECT_EQ(result->error().code, qm::Error::Code::NotFound);
}

// A second Chromium that listens on a loopback port, as a remote engine would.
class RemoteChromium
{
public:
    RemoteChromium()
    {
        QStringList args = cdp::BrowserProcess::standardArguments();
        args << "--remote-debugging-port=0"
             << "--remote-debugging-address=127.0.0.1"
             << "--user-data-dir=" + m_profile.path() << "about:blank";
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TMPDIR", m_profile.path());
        m_process.setProcessEnvironment(environment);
        m_process.setChildProcessModifier([] { ::setpgid(0, 0); }); // its helpers end with it
        m_process.start(*cdp::Browser::findExecutable(), args);
        LoopRunner runner;
        QObject::connect(&m_process, &QProcess::readyReadStandardError, [&] {
            m_output += m_process.readAllStandardError();
            const auto match
                = QRegularExpression("DevTools listening on (ws://\\S+)").match(QString::fromUtf8(m_output));
            if (match.hasMatch() && m_endpoint.isEmpty()) {
                m_endpoint = match.captured(1);
                runner.done();
            }
        });
        runner.run(30s);
        m_process.disconnect();
    }
    ~RemoteChromium()
    {
        const cdp::ProcessGroup group(m_process.processId());
        group.signal(SIGKILL);
        m_process.waitForFinished(5000);
        group.waitForExit(5s);
    }
    QString webSocketEndpoint() const { return m_endpoint; }
    QString httpEndpoint() const
    {
        const QUrl url(m_endpoint);
        return QStringLiteral("http://127.0.0.1:%1").arg(url.port());
    }

private:
    QTemporaryDir m_profile;
    QProcess m_process;
    QByteArray m_output;
    QString m_endpoint;
};

TEST_F(EngineLifeTest, RemoteBrowserCapturesThroughAWebSocket)
{
    server.page("/remote",
        "<!doctype html><body style='margin:0'><div style='height:5000px;background:rgb(20,40,200)'>"
        "</div></body>");
    RemoteChromium remote;
    ASSERT_FALSE(remote.webSocketEndpoint().isEmpty()) << "the remote Chromium never said where it listens";
    for (const QString& endpoint : { remote.webSocketEndpoint(), remote.httpEndpoint() }) {
        SCOPED_TRACE(endpoint.toStdString());
        cdp::Browser browser(cdp::BrowserOptions { .endpoint = endpoint });
        cdp::Tab* remoteTab = OpenTab(browser);
        ASSERT_NE(remoteTab, nullptr);
        EXPECT_EQ(browser.processId(), 0);
        EXPECT_TRUE(browser.version().contains("Chrome/"));
        ASSERT_TRUE(Load(*remoteTab, server.url("/remote")).complete);
        const auto snapshot = Capture(*remoteTab, { .encoding = cdp::SnapshotEncoding::Png });
        ASSERT_TRUE(snapshot) << snapshot.error().message.toStdString();
        EXPECT_EQ(snapshot->size, QSize(1280, 5000));
        EXPECT_LE(ColourDistance(Pixels(*snapshot).pixel(600, 4990), qRgb(20, 40, 200)), 2);
        remoteTab->close();
    }
}

TEST_F(EngineLifeTest, UnreachableRemoteBrowserFails)
{
    for (const QString& endpoint : { QStringLiteral("http://127.0.0.1:1"),
             QStringLiteral("ws://127.0.0.1:1/devtools/browser/x"), QStringLiteral("ftp://example") }) {
        SCOPED_TRACE(endpoint.toStdString());
        cdp::Browser browser(cdp::BrowserOptions { .endpoint = endpoint, .startLimit = 5s });
        LoopRunner runner;
        std::optional<qm::Result<void>> result;
        browser.start([&](qm::Result<void> r) {
            result = r;
            runner.done();
        });
        ASSERT_TRUE(runner.run(10s));
        EXPECT_FALSE(*result);
        EXPECT_FALSE(browser.isConnected());
    }
}

} // namespace
} // namespace qm::test
