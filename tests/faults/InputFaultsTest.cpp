// What users hand the program: error pages, settings and lists it cannot read, a missing logo, a stop
// request. Each is said out loud, once, and nothing false is written or reported.
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringEncoder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <csignal>

#include "tests/faults/FaultFixture.h"
#include "tests/support/EventLoop.h"
#include "tests/support/HeadPipe.h"
#include "tests/support/TestServer.h"

namespace qm::test {
namespace {

int LinesContaining(const ProgramRun& run, const QByteArray& text)
{
    int count = 0;
    for (const QByteArray& line : ErrorLines(run))
        count += line.contains(text) ? 1 : 0;
    return count;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

class InputFaults : public FaultCase
{
protected:
    void SetUp() override
    {
        FaultCase::SetUp();
        server.route(
            "/missing", TestServer::Route { .status = 404, .body = "<p>nothing here", .reason = "Gone Fishing" });
        server.route("/broken", TestServer::Route { .status = 500, .body = "<p>oops", .reason = "" });
        server.route("/empty404", TestServer::Route { .status = 404, .body = "", .reason = "" });
        server.page("/fine", "<!doctype html><p>fine");
        ASSERT_TRUE(QDir().mkpath(home()));
    }
    TestServer server;
};

TEST_F(InputFaults, HttpErrorPagesFailWithTheirStatusAndLeaveNoFile)
{
    const QString local = dir.filePath("local.html");
    ASSERT_TRUE(WriteFile(local, "<!doctype html><p>local"));
    const ProgramRun run = Convert({ "--home", home(), "-o", out(), "--json", server.url("/missing"),
        server.url("/broken"), server.url("/empty404"), server.url("/fine"), local });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    const auto pages = JsonRowsByAddress(run);
    const struct
    {
        QString address;
        const char* status;
        int http;
        const char* reason;
    } expected[] = {
        { server.url("/missing"), "Failed", 404, "HTTP 404 Gone Fishing" },
        { server.url("/broken"), "Failed", 500, "HTTP 500 Internal Server Error" },
        { server.url("/empty404"), "Failed", 404, "HTTP 404 Not Found" },
        { server.url("/fine"), "OK", 200, "" },
        { QUrl::fromLocalFile(local).toString(QUrl::FullyEncoded), "OK", 0, "" },
    };
    for (const auto& page : expected) {
        const QJsonObject line = pages.value(page.address);
        EXPECT_EQ(line.value("status").toString(), page.status) << page.address.toStdString();
        EXPECT_EQ(line.value("httpStatus").toInt(-1), page.http) << page.address.toStdString();
        EXPECT_EQ(line.value("reason").toString(), page.reason) << page.address.toStdString();
    }
    EXPECT_EQ(outputs().size(), 2) << outputs().join(' ').toStdString();
}

TEST_F(InputFaults, CapturedHttpErrorPageIsWrittenWithItsStatus)
{
    const ProgramRun run
        = Convert({ "--home", home(), "-o", out(), "--json", "--http-errors", "capture", server.url("/missing") });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject line = JsonRowsByAddress(run).value(server.url("/missing"));
    EXPECT_EQ(line.value("status").toString(), "OK");
    EXPECT_EQ(line.value("httpStatus").toInt(), 404);
    EXPECT_EQ(line.value("reason").toString(), "HTTP 404 Gone Fishing");
    EXPECT_TRUE(QFileInfo(line.value("output").toString()).isFile());
}

// A settings file that cannot be read is said once, before anything else, and the run goes on with
// the defaults: its "outputformat=JPG" is not honoured, and two pages do not give two warnings.
TEST_F(InputFaults, UnreadableSettingsAreSaidOnceThenTheDefaultsApply)
{
    const QString settings = QDir(home()).filePath("settings.dat");
    const QByteArray readable = "[set]\noutputformat=JPG\n";
    const struct
    {
        const char* name;
        QByteArray bytes;
        qint64 size;
    } cases[] = {
        { "oversized", readable, 32 * 1024 * 1024 + 1 },
        { "binary", readable + QByteArray(64, '\0') + QByteArray("\x89PNG\x1a\x02\x03", 7), 0 },
    };
    for (const auto& c : cases) {
        QFile file(settings);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(c.bytes), c.bytes.size());
        if (c.size > 0) {
            ASSERT_TRUE(file.resize(c.size));
        }
        file.close();
        QDir(out()).removeRecursively();

        const ProgramRun run
            = Convert({ "--home", home(), "-o", out(), "-q", server.url("/fine"), server.url("/fine") + "?2" });
        ASSERT_TRUE(run.finished) << c.name;
        EXPECT_EQ(run.exitCode, 0) << c.name << ": " << run.err.toStdString();
        const QList<QByteArray> lines = ErrorLines(run);
        ASSERT_EQ(lines.size(), 1) << c.name << ": " << run.err.toStdString();
        EXPECT_TRUE(lines.first().contains("settings cannot be read")) << lines.first().toStdString();
        EXPECT_EQ(outputs().size(), 2) << c.name;
        EXPECT_TRUE(outputs().filter(".jpg", Qt::CaseInsensitive).isEmpty()) << c.name;
    }
}

TEST_F(InputFaults, Utf16ListConvertsAndBinaryListIsRefused)
{
    const QString list = dir.filePath("list.ulf");
    QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    const QByteArray text = utf16(server.url("/fine") + "\tPNG\r\n" + server.url("/fine") + "?2\tPNG\r\n");
    ASSERT_TRUE(WriteFile(list, text));
    const ProgramRun converted = Convert({ "--home", home(), "-o", out(), "--json", "-l", list });
    ASSERT_TRUE(converted.finished);
    EXPECT_EQ(converted.exitCode, 0) << converted.err.toStdString();
    EXPECT_EQ(JsonRowsByAddress(converted).keys().size(), 2);
    EXPECT_EQ(outputs().size(), 2);

    QByteArray junk(2048, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 7919) % 256);
    ASSERT_TRUE(WriteFile(list, junk));
    const ProgramRun refused = Convert({ "--home", home(), "-o", out(), "-l", list });
    ASSERT_TRUE(refused.finished);
    EXPECT_EQ(refused.exitCode, 2);
    ASSERT_EQ(ErrorLines(refused).size(), 1) << refused.err.toStdString();
    EXPECT_TRUE(ErrorLines(refused).first().contains("not a list of addresses"));
}

TEST_F(InputFaults, MissingWatermarkPictureIsSaidOncePerBatch)
{
    ASSERT_TRUE(WriteFile(QDir(home()).filePath("settings.dat"),
        "[watermark]\nimagewatermark=1\nwaterimage=" + dir.filePath("no-logo.png").toUtf8() + "\n"));
    const ProgramRun run = Convert({ "--home", home(), "-o", out(), "-q", server.url("/fine"),
        server.url("/fine") + "?2", server.url("/fine") + "?3" });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(LinesContaining(run, "no-logo.png"), 1) << run.err.toStdString();
    EXPECT_EQ(outputs().size(), 3);
}

TEST_F(InputFaults, TerminationStopsCleanlyWithStatus143)
{
    QTcpServer hang;
    ASSERT_TRUE(hang.listen(QHostAddress::LocalHost, 0));
    const ProgramRun run = Convert({ "--home", home(), "-o", out(), "--timeout", "60",
                                       QStringLiteral("http://127.0.0.1:%1/hang").arg(hang.serverPort()) },
        [&](QProcess& process) {
            QObject::connect(&hang, &QTcpServer::newConnection, [&] { ::kill(pid_t(process.processId()), SIGTERM); });
        });
    ASSERT_TRUE(run.finished) << "the program did not stop after SIGTERM";
    EXPECT_EQ(run.exitCode, 143) << run.err.toStdString();
    EXPECT_TRUE(outputs().isEmpty());
}

// Numbers out of range stop the run at once, naming the range, as every other option's value does;
// before any browser starts, and without a queue to reach.
TEST_F(InputFaults, OutOfRangeNumbersAreRefusedAtOnce)
{
    const struct
    {
        QStringList arguments;
        const char* range;
    } cases[] = {
        { { "convert", "--jobs", "0" }, "--jobs takes a whole number from 1 to 16" },
        { { "convert", "-j", "17" }, "--jobs takes a whole number from 1 to 16" },
        { { "convert", "--timeout", "0" }, "--timeout takes a number of seconds from 1 to 86400" },
        { { "convert", "--timeout", "-1" }, "--timeout takes a number of seconds from 1 to 86400" },
        { { "convert", "--timeout=86401" }, "--timeout takes a number of seconds from 1 to 86400" },
        { { "submit", "--queue", "redis://127.0.0.1:1", "--wait", "--jobs", "17" }, "from 1 to 16" },
        { { "submit", "--queue", "redis://127.0.0.1:1", "--wait", "--timeout", "0" }, "from 1 to 86400" },
        { { "worker", "--queue", "redis://127.0.0.1:1", "--jobs", "0" }, "--jobs takes a whole number from 1 to 16" },
        { { "worker", "--queue", "redis://127.0.0.1:1", "-j", "17" }, "--jobs takes a whole number from 1 to 16" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const ProgramRun run = RunProgram(c.arguments + QStringList { "--home", home(), server.url("/fine") });
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains(c.range)) << run.err.toStdString();
    }
    EXPECT_FALSE(QDir(out()).exists());
}

// A header or a cookie that a request cannot carry is refused before any page, naming it; not
// discovered by every page failing alike.
TEST_F(InputFaults, HeadersAndCookiesARequestCannotCarryAreRefusedAtOnce)
{
    const QString cookies = dir.filePath("cookies.txt");
    ASSERT_TRUE(WriteFile(cookies,
        "# Netscape HTTP Cookie File\n127.0.0.1\tFALSE\t/\tFALSE\t0\tgood\tvalue\n"
        "127.0.0.1\tFALSE\t/\tFALSE\t0\tsession\tabc; admin=1\n"));
    const QString settings = QDir(home()).filePath("settings.dat");
    const struct
    {
        const char* name;
        QStringList arguments;
        QByteArray setting;
        QByteArray named;
    } cases[] = {
        { "line break in --header", { "--header", "X-Team: docs\r\nX-Admin: 1" }, "",
            "bad header \"X-Team: docs\\x0d\\x0aX-Admin: 1\"" },
        { "line feed in --header", { "--header", "X-Team: docs\nX-Admin: 1" }, "", "X-Team: docs\\x0aX-Admin: 1" },
        { "';' in a cookie's value", { "--cookies", cookies }, "",
            "the cookies file " + cookies.toUtf8() + ", line 3: the value of the cookie \"session\" holds ';'" },
        // settings.dat ends a line at a CR too; a form feed is what a value of it can hold.
        { "control character in the headers setting", {}, "[page]\nheaders=X-Team: docs\fX-Admin: 1\n",
            "X-Team: docs\\x0cX-Admin: 1" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteFile(settings, c.setting));
        const ProgramRun run = Convert(
            QStringList { "--home", home(), "-o", out() } + c.arguments + QStringList { server.url("/fine") });
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains(c.named)) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains('\r')) << "said escaped";
        EXPECT_EQ(server.hits("/fine"), 0);
    }
}

// "http://" alone and a broken host fail as what they are, not as a page the browser could not convert.
TEST_F(InputFaults, WebAddressesWithoutAHostFailAsNotPageAddresses)
{
    const ProgramRun run
        = Convert({ "--home", home(), "-o", out(), "--json", "http://", "http://[::1:bad/", server.url("/fine") });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    const auto pages = JsonRowsByAddress(run);
    for (const char* address : { "http://", "http://[::1:bad/" }) {
        EXPECT_EQ(pages.value(address).value("reason").toString(),
            QStringLiteral("not a page address (neither a web address nor a file path): %1").arg(address));
    }
    EXPECT_EQ(pages.value(server.url("/fine")).value("status").toString(), "OK");
}

// `quillmark convert --json ... | head -1`: once the reader is gone the run ends the orderly way, with
// the status a death by SIGPIPE would give: the page in flight dropped, the browser ended, its profile
// removed, no partial file.
TEST_F(InputFaults, ClosedOutputEndsTheRunCleanlyWithStatus141)
{
    // A page the test answers only once the output is closed; another that never answers.
    QTcpServer held;
    ASSERT_TRUE(held.listen(QHostAddress::LocalHost, 0));
    QList<QTcpSocket*> waiting;
    bool released = false;
    const auto answer = [](QTcpSocket* socket) {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 22\r\nConnection: close\r\n\r\n"
                      "<!doctype html><p>late");
        socket->disconnectFromHost();
    };
    QObject::connect(&held, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* socket = held.nextPendingConnection()) {
            // Answered once its request is in (the browser may open spare connections that send none).
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [&, socket] {
                if (released)
                    answer(socket);
                else
                    waiting.append(socket);
            });
        }
    });
    server.stall("/never");
    const QString temporary = dir.filePath("tmp");
    ASSERT_TRUE(QDir().mkpath(temporary));
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", temporary);
    process.setProcessEnvironment(environment);
    process.setProgram(Binary());
    process.setArguments({ "convert", "--home", home(), "-o", out(), "--json", "-j", "3", "--timeout", "600",
        server.url("/fine"), QStringLiteral("http://127.0.0.1:%1/held").arg(held.serverPort()), server.url("/never") });
    QList<qint64> browsers;
    HeadPipe head(process, 1, [&] {
        browsers = Children(process.processId());
        released = true;
        for (QTcpSocket* socket : std::as_const(waiting))
            answer(socket);
    });
    LoopRunner loop;
    QObject::connect(&process, &QProcess::finished, [&] { loop.done(); });
    process.start();
    head.started();
    ProgramRun run;
    run.finished = loop.run(std::chrono::seconds(120));
    if (!run.finished)
        process.kill();
    process.waitForFinished(5000);
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.err = process.readAllStandardError();
    const int linesRead = int(head.text().count('\n'));
    ASSERT_TRUE(run.finished) << "the run went on with its output closed";
    EXPECT_EQ(linesRead, 1);
    EXPECT_EQ(run.exitCode, 141) << run.err.toStdString();
    EXPECT_FALSE(browsers.isEmpty());
    for (qint64 browser : std::as_const(browsers))
        EXPECT_FALSE(Alive(browser)) << "the browser " << browser << " outlived the run";
    EXPECT_EQ(QDir(temporary).entryList({ "quillmark-browser-*" }, QDir::AllEntries | QDir::Hidden), QStringList())
        << "the browser's profile was left behind";
    EXPECT_EQ(QDir(out()).entryList({ ".*" }, QDir::Files | QDir::Hidden), QStringList()) << "a partial file was left";
    EXPECT_EQ(outputs().size(), 2) << outputs().join(' ').toStdString(); // the pages that had finished
}

} // namespace
} // namespace qm::test
