// Page and page, program and browser: what one page leaves, another never sees; a page that hangs costs
// only itself; the browser's processes never hold the program's secrets.
#include <QDir>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <csignal>

#include "tests/faults/FaultFixture.h"
#include "tests/support/RemoteChromium.h"
#include "tests/support/TestServer.h"

namespace qm::test {
namespace {

// Every process below `pid`, however deep.
QList<qint64> Descendants(qint64 pid)
{
    QList<qint64> found;
    for (qint64 child : Children(pid))
        found << child << Descendants(child);
    return found;
}

// One site, one page after the other in the same run: the first leaves a cookie, local storage, a window
// name and a cached style sheet; the second must find none of them.
TEST_F(FaultCase, APageFindsNothingTheEarlierPageOfItsSiteLeft)
{
    TestServer server;
    server.route("/first",
        TestServer::Route { .body = "<!doctype html><link rel=stylesheet href='/kept.css'><script>"
                                    "localStorage.setItem('left', 'yes'); window.name = 'left';</script><p>first",
            .headers = { { "Set-Cookie", "left=yes; Path=/; Max-Age=3600" } } });
    server.route("/kept.css",
        TestServer::Route { .contentType = "text/css",
            .body = "p { color: red }",
            .headers = { { "Cache-Control", "public, max-age=3600" } } });
    server.page("/second",
        "<!doctype html><link rel=stylesheet href='/kept.css'><script>new Image().src = '/seen?cookie=' + "
        "encodeURIComponent(document.cookie) + '&storage=' + localStorage.getItem('left') + '&name=' + "
        "window.name;</script><p>second");
    const ProgramRun run = Convert({ "--home", home(), "-o", out(), "--json", "-j", "1", "-f", "TXT", "--timeout", "30",
        server.url("/first"), server.url("/second") });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString seen = QString::fromLatin1(server.lastRequest("/seen"));
    EXPECT_TRUE(seen.contains("/seen?cookie=&storage=null&name= ")) << seen.toStdString();
    EXPECT_FALSE(seen.contains("Cookie:", Qt::CaseInsensitive)) << seen.toStdString();
    EXPECT_EQ(server.hits("/kept.css"), 2) << "the second page took the style sheet from the first one's cache";
}

struct HungPageCase
{
    const char* name;
    bool remote; // every page in one remote browser's tabs, rather than a local browser per page at once
};

class HungPage : public FaultCase, public ::testing::WithParamInterface<HungPageCase>
{
};

// A page that stops answering in the middle of its capture (its script spins as the page is scrolled)
// fails alone, at its own time limit; the pages converting beside it are written.
TEST_P(HungPage, NeverFailsThePagesConvertingBesideIt)
{
    TestServer server;
    server.page("/hang",
        "<!doctype html><div style='height:4000px'>hang</div>"
        "<script>addEventListener('scroll', () => { for (;;) {} });</script>");
    QStringList addresses { server.url("/hang") };
    // The healthy pages come a little later, so that the hung page is already being captured.
    for (const char* name : { "/one", "/two", "/three" }) {
        server.route(name, TestServer::Route { .body = "<!doctype html><p>healthy", .delayMs = 1500 });
        addresses << server.url(name);
    }
    std::unique_ptr<RemoteChromium> remote;
    QStringList browser;
    if (GetParam().remote) {
        remote = std::make_unique<RemoteChromium>();
        ASSERT_FALSE(remote->endpoint().isEmpty()) << "the remote Chromium never said where it listens";
        browser << "--browser" << remote->endpoint();
    }
    const ProgramRun run = Convert(
        QStringList { "--home", home(), "-o", out(), "--json", "-j", "2", "--timeout", "12" } + browser + addresses);
    ASSERT_TRUE(run.finished);
    const auto rows = JsonRowsByAddress(run);
    EXPECT_EQ(rows.value(server.url("/hang")).value("status").toString(), "Failed");
    for (const QString& healthy : addresses.mid(1))
        EXPECT_EQ(rows.value(healthy).value("status").toString(), "OK")
            << healthy.toStdString() << ": " << rows.value(healthy).value("reason").toString().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Browsers, HungPage,
    ::testing::Values(HungPageCase { "local", false }, HungPageCase { "one_remote_browser", true }),
    [](const auto& info) { return std::string(info.param.name); });

// The browser and every process it starts get the locale and time zone, never the passwords the program
// was given in its environment.
TEST_F(FaultCase, TheBrowsersProcessesHoldNoSecretOfTheProgramsEnvironment)
{
    TestServer server;
    server.stall("/never");
    QList<QByteArray> environments;
    const ProgramRun run
        = RunProgram({ "convert", "--home", home(), "-o", out(), "--timeout", "60", server.url("/never") },
            { "QUILLMARK_AUTH=ann:auth-s3cret", "REDISCLI_AUTH=redis-s3cret", "QM_TEST_TOKEN=token-s3cret",
                "TZ=Europe/Oslo", "LANG=C.UTF-8" },
            [&](QProcess& process) {
                // The page's request shows a renderer is up.
                QObject::connect(&server, &TestServer::requested, &process, [&] {
                    if (!environments.isEmpty())
                        return;
                    for (qint64 pid : Descendants(process.processId()))
                        environments << ReadAll(QStringLiteral("/proc/%1/environ").arg(pid));
                    process.terminate();
                });
            });
    ASSERT_TRUE(run.finished);
    ASSERT_GE(environments.size(), 2) << "the browser and a renderer";
    // Helpers rewrite their process titles over what the kernel shows as their environment; the browser
    // itself shows what it was started with.
    int withLocale = 0;
    for (const QByteArray& environment : std::as_const(environments)) {
        const QList<QByteArray> entries = environment.split('\0');
        EXPECT_FALSE(environment.contains("s3cret")) << environment.toStdString();
        withLocale += entries.contains("TZ=Europe/Oslo") && entries.contains("LANG=C.UTF-8") ? 1 : 0;
    }
    EXPECT_GE(withLocale, 1);
}

} // namespace
} // namespace qm::test
