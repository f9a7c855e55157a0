// The engine under faults, through the built program: a failed page costs only itself, the browser
// leaves nothing behind, talks to nobody but the page, and local pages read only their own folder.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTcpServer>
#include <QUrl>
#include <csignal>

#include <sys/time.h>
#include <unistd.h>

#include "tests/faults/FaultFixture.h"
#include "tests/support/TestServer.h"

namespace qm::test {
namespace {

const QByteArray Healthy = "<!doctype html><body style='margin:0;background:rgb(0,160,0)'><p>fine</p></body>";

struct FailedPageCase
{
    const char* name;
    const char* jobs;
};

class FailedPage : public FaultCase, public ::testing::WithParamInterface<FailedPageCase>
{
};

// A renderer that crashes and one whose script never yields after load: each fails alone, and the
// pages after it (same site, same browser) convert in fresh tabs.
TEST_P(FailedPage, CostsOnlyItsOwnRow)
{
    TestServer server;
    server.page(
        "/hang", "<!doctype html><p>hangs<script>onload = () => setTimeout(() => { while (true) {} })</script>");
    const QStringList healthy { server.url("/a"), server.url("/b"), server.url("/c") };
    for (const char* path : { "/a", "/b", "/c" })
        server.page(path, Healthy);
    const QString crash = "chrome://crash";
    const QString hang = server.url("/hang");
    const ProgramRun run = Convert(QStringList { "--home", home(), "-o", out(), "--json", "-j", GetParam().jobs,
                                       "--timeout", "15", crash, healthy[0], hang }
        + healthy.mid(1));
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    const auto rows = JsonRowsByAddress(run);
    EXPECT_EQ(rows.value(crash).value("status").toString(), "Failed");
    EXPECT_EQ(rows.value(hang).value("reason").toString(), "the page did not finish loading within 15 s");
    for (const QString& address : healthy)
        EXPECT_EQ(rows.value(address).value("status").toString(), "OK")
            << address.toStdString() << ": " << rows.value(address).value("reason").toString().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Jobs, FailedPage,
    ::testing::Values(FailedPageCase { "one_at_a_time", "1" }, FailedPageCase { "two_at_once", "2" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FaultCase, KilledBrowserFailsItsPageInOneShortLineAndTheNextPageConverts)
{
    QTcpServer stall;
    ASSERT_TRUE(stall.listen(QHostAddress::LocalHost, 0));
    TestServer server;
    server.page("/next", Healthy);
    const QString stalled = QStringLiteral("http://127.0.0.1:%1/stall").arg(stall.serverPort());
    const ProgramRun run = Convert(
        { "--home", home(), "-o", out(), "--json", "-j", "1", "--timeout", "60", stalled, server.url("/next") },
        [&](QProcess& process) {
            QObject::connect(&stall, &QTcpServer::newConnection, [&] {
                for (qint64 browser : Children(process.processId()))
                    ::kill(pid_t(browser), SIGKILL);
            });
        });
    ASSERT_TRUE(run.finished);
    const auto rows = JsonRowsByAddress(run);
    EXPECT_EQ(rows.value(stalled).value("reason").toString(), "the browser ended unexpectedly (killed by signal 9)");
    EXPECT_EQ(rows.value(server.url("/next")).value("status").toString(), "OK") << run.err.toStdString();
}

// The lines of Chromium's network log (one event a line; the log may end mid-line if cut short).
struct NetLog
{
    QHash<int, QString> types;
    QList<QJsonObject> events;
};

NetLog ReadNetLog(const QString& path)
{
    NetLog log;
    const QList<QByteArray> lines = ReadAll(path).split('\n');
    if (lines.isEmpty())
        return log;
    QByteArray constants = lines.first().trimmed();
    constants.chop(1); // the trailing comma
    const QJsonObject types = QJsonDocument::fromJson(constants + "}")
                                  .object()
                                  .value("constants")
                                  .toObject()
                                  .value("logEventTypes")
                                  .toObject();
    for (auto it = types.begin(); it != types.end(); ++it)
        log.types.insert(it.value().toInt(), it.key());
    for (const QByteArray& line : lines.mid(2)) {
        QByteArray text = line.trimmed();
        if (text.endsWith(','))
            text.chop(1);
        const QJsonObject event = QJsonDocument::fromJson(text).object();
        if (event.contains("type"))
            log.events.append(event);
    }
    return log;
}

// "http://host:port", "host:port" or "host": the host.
QString HostOf(const QString& text)
{
    return QUrl(text.contains("://") ? text : "net://" + text).host();
}

TEST_F(FaultCase, BrowserTalksToThePagesHostAlone)
{
    TestServer server;
    server.page("/page", Healthy);
    QSet<QString> hosts;
    QSet<QString> connections;
    // Chromium sometimes closes before the network service has handed it the page's own events (its
    // request or its connection); such a log proves nothing either way, so the run is taken again (a few
    // times at most).
    for (int attempt = 0; attempt < 3 && (!hosts.contains("127.0.0.1") || connections.isEmpty()); ++attempt) {
        const QString netLog = dir.filePath(QStringLiteral("net%1.json").arg(attempt));
        const ProgramRun run = RunProgram(
            { "convert", "--home", home(), "-o", out(), server.url("/page") }, { "QUILLMARK_NET_LOG=" + netLog });
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const NetLog log = ReadNetLog(netLog);
        ASSERT_FALSE(log.types.isEmpty()) << "no network log was written";
        hosts.clear();
        connections.clear();
        for (const QJsonObject& event : log.events) {
            const QString type = log.types.value(event.value("type").toInt());
            const QJsonObject params = event.value("params").toObject();
            if (type == "URL_REQUEST_START_JOB" && params.contains("url"))
                hosts.insert(HostOf(params.value("url").toString()));
            else if (type.startsWith("HOST_RESOLVER") && params.contains("host"))
                hosts.insert(HostOf(params.value("host").toString()));
            else if (type == "TCP_CONNECT" && params.contains("remote_address"))
                connections.insert(params.value("remote_address").toString());
        }
    }
    EXPECT_TRUE(hosts.contains("127.0.0.1")) << "the page's own request is missing from the log";
    EXPECT_EQ(QStringList(hosts.values()), QStringList { "127.0.0.1" })
        << QStringList(hosts.values()).join(' ').toStdString();
    EXPECT_EQ(QStringList(connections.values()), QStringList { QStringLiteral("127.0.0.1:%1").arg(server.port()) })
        << QStringList(connections.values()).join(' ').toStdString();
}

enum class Ending { Normal, Interrupt, Terminate };

class ProgramEnding : public FaultCase, public ::testing::WithParamInterface<Ending>
{
};

// The owner record a live run writes into its profile folder: process id and start time.
QByteArray OwnRecord()
{
    const QByteArray stat = ReadAll("/proc/self/stat");
    return QByteArray::number(::getpid()) + ' ' + stat.mid(stat.lastIndexOf(')') + 2).split(' ').value(19);
}

bool ProcessMentions(const QString& text)
{
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid.front().isDigit() && Alive(pid.toLongLong())
            && ReadAll("/proc/" + pid + "/cmdline").contains(text.toLocal8Bit()))
            return true;
    }
    return false;
}

// However the program ends, no profile folder and no browser process is left; folders of runs that
// died without cleaning up go at the next start, those of runs still going stay.
TEST_P(ProgramEnding, LeavesNoProfileFolderAndNoBrowserProcess)
{
    const QString temp = dir.filePath("tmp");
    ASSERT_TRUE(QDir().mkpath(temp + "/quillmark-browser-dead"));
    ASSERT_TRUE(QDir().mkpath(temp + "/quillmark-browser-live"));
    auto writeRecord = [&](const QString& folder, const QByteArray& record) {
        QFile file(temp + "/" + folder + "/quillmark-owner");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(record);
    };
    writeRecord("quillmark-browser-dead", "999999999 1");
    writeRecord("quillmark-browser-live", OwnRecord());
    // What a browser recreates after its folder went: empty folders, no owner record.
    const QString orphan = temp + "/quillmark-browser-orphan";
    ASSERT_TRUE(QDir().mkpath(orphan + "/Default/Cache"));
    const timeval fiveMinutesAgo[2] = { { ::time(nullptr) - 300, 0 }, { ::time(nullptr) - 300, 0 } };
    ASSERT_EQ(::utimes(orphan.toLocal8Bit().constData(), fiveMinutesAgo), 0);

    QTcpServer stall;
    ASSERT_TRUE(stall.listen(QHostAddress::LocalHost, 0));
    TestServer server;
    server.page("/page", Healthy);
    const QString address = GetParam() == Ending::Normal
        ? server.url("/page")
        : QStringLiteral("http://127.0.0.1:%1/stall").arg(stall.serverPort());
    const int signalNumber = GetParam() == Ending::Interrupt ? SIGINT : SIGTERM;
    const ProgramRun run = RunProgram({ "convert", "--home", home(), "-o", out(), "--timeout", "60", address },
        { "TMPDIR=" + temp }, [&](QProcess& process) {
            QObject::connect(&stall, &QTcpServer::newConnection,
                [&process, signalNumber] { ::kill(pid_t(process.processId()), signalNumber); });
        });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, GetParam() == Ending::Normal ? 0 : 128 + signalNumber) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("QTemporaryDir")) << run.err.toStdString();
    EXPECT_EQ(QDir(temp).entryList({ "quillmark-browser-*" }, QDir::Dirs), QStringList { "quillmark-browser-live" });
    EXPECT_FALSE(ProcessMentions(temp)) << "a browser process outlived the program";
}

INSTANTIATE_TEST_SUITE_P(Endings, ProgramEnding,
    ::testing::Values(Ending::Normal, Ending::Interrupt, Ending::Terminate), [](const auto& info) {
        return std::string(info.param == Ending::Normal ? "normal"
                : info.param == Ending::Interrupt       ? "sigint"
                                                        : "sigterm");
    });

struct FilesCase
{
    const char* name;
    QStringList arguments; // "@OUTSIDE@" stands for the folder outside the page's
    bool outsideShown;
};

class LocalFiles : public FaultCase, public ::testing::WithParamInterface<FilesCase>
{
};

// A local page shows the picture next to it; a file outside its folder, framed, stays blank unless
// that folder (or every file) is allowed.
TEST_P(LocalFiles, PageReadsItsOwnFolderAndWhatIsAllowed)
{
    const QString pageFolder = dir.filePath("page");
    const QString outside = dir.filePath("outside");
    ASSERT_TRUE(QDir().mkpath(pageFolder) && QDir().mkpath(outside));
    QImage picture(200, 200, QImage::Format_RGB32);
    picture.fill(qRgb(0, 200, 0));
    ASSERT_TRUE(picture.save(pageFolder + "/picture.png"));
    QFile secret(outside + "/secret.html");
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("<!doctype html><body style='margin:0;background:rgb(220,0,0)'>secret");
    secret.close();
    QFile page(pageFolder + "/page.html");
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<!doctype html><body style='margin:0;background:white'><img src='picture.png' style='display:block'>"
               "<iframe src='"
        + QUrl::fromLocalFile(outside + "/secret.html").toEncoded()
        + "' style='display:block;border:0;width:300px;height:200px'></iframe>");
    page.close();

    QStringList arguments { "--home", home(), "-o", out(), "--json" };
    for (const QString& argument : GetParam().arguments)
        arguments << QString(argument).replace("@OUTSIDE@", outside);
    const ProgramRun run = Convert(arguments << pageFolder + "/page.html");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage shot(JsonRowsByAddress(run).begin()->value("output").toString());
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.pixel(100, 100), qRgb(0, 200, 0)) << "the picture beside the page is missing";
    EXPECT_EQ(shot.pixel(100, 300) == qRgb(220, 0, 0), GetParam().outsideShown);
}

INSTANTIATE_TEST_SUITE_P(Access, LocalFiles,
    ::testing::Values(FilesCase { "own_folder", {}, false }, FilesCase { "all", { "--allow-files", "all" }, true },
        FilesCase { "that_folder", { "--allow-files", "@OUTSIDE@" }, true },
        // Authentication pauses every request, local files included: they are still checked.
        FilesCase { "own_folder_with_auth", { "--auth", "reader:secret" }, false }),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace qm::test
