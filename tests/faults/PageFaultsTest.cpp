// Hostile pages: each converts or fails with its reason, and the batch goes on.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QUrl>

#include "tests/faults/FaultFixture.h"
#include "tests/support/TestServer.h"

namespace qm::test {
namespace {

TEST_F(FaultCase, DialogsPopupsAndRedirectLoopsDoNotStallTheBatch)
{
    TestServer server;
    server.page("/dialogs",
        "<!doctype html><script>alert('a');confirm('b');prompt('c');"
        "for(let i=0;i<20;i++)window.open('about:blank')</script><p>still here");
    server.route("/loop", TestServer::Route { .status = 302, .headers = { { "Location", "/loop" } } });
    server.page("/fine", "<!doctype html><p>fine");
    const ProgramRun run = Convert({ "--home", home(), "-o", out(), "--json", "--timeout", "30", server.url("/dialogs"),
        server.url("/loop"), server.url("/fine") });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    QHash<QString, QString> status;
    const auto rows = JsonRowsByAddress(run);
    for (auto row = rows.cbegin(); row != rows.cend(); ++row)
        status.insert(row.key(), row->value("status").toString());
    EXPECT_EQ(status.value(server.url("/dialogs")), "OK");
    EXPECT_EQ(status.value(server.url("/loop")), "Failed");
    EXPECT_EQ(status.value(server.url("/fine")), "OK");
}

// The password of --auth is in no process list, no output and no reason; a wrong one fails with the 401.
TEST_F(FaultCase, AuthPasswordIsNeitherInTheProcessListNorInTheOutput)
{
    TestServer server;
    server.route("/private", TestServer::Route { .body = "<!doctype html><p>private", .basicAuth = "reader:right" });
    QByteArray commandLine;
    const ProgramRun run = Convert({ "--home", home(), "-o", out(), "--json", "--verbose", "--timeout", "30", "--auth",
                                       "reader:wrong-4711", server.url("/private") },
        [&](QProcess& process) {
            // The request shows the program is past reading its arguments.
            QObject::connect(&server, &TestServer::requested, &process, [&] {
                if (commandLine.isEmpty())
                    commandLine = ReadAll(QStringLiteral("/proc/%1/cmdline").arg(process.processId()));
            });
        });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(commandLine.contains("reader:")) << commandLine.toStdString();
    EXPECT_FALSE(commandLine.contains("wrong-4711")) << commandLine.toStdString();
    EXPECT_FALSE(run.out.contains("wrong-4711") || run.err.contains("wrong-4711"));
    EXPECT_TRUE(JsonRowsByAddress(run).value(server.url("/private")).value("reason").toString().contains("401"))
        << run.out.toStdString();
}

bool WriteText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly)
        && file.write(text) == text.size();
}

// Local pages (in a folder whose name has a space, a '#' and a non-ASCII letter) that send themselves to a
// file outside the folders they may read fail and name it, however they go there; nothing is written.
TEST_F(FaultCase, ALocalPageThatGoesOutsideItsFoldersFailsAndNamesTheFile)
{
    const QString secret = dir.filePath("private/secret.txt");
    ASSERT_TRUE(WriteText(secret, "s3cret"));
    const QByteArray target = QUrl::fromLocalFile(secret).toString(QUrl::FullyEncoded).toUtf8();
    const QString folder = dir.filePath(QStringLiteral("my pages #1/\u00fcber"));
    const struct
    {
        const char* name;
        QByteArray html;
    } pages[] = {
        { "script.html", "<!doctype html><p>x<script>location.href = '" + target + "';</script>" },
        { "refresh.html", "<!doctype html><meta http-equiv=refresh content='0; url=" + target + "'>" },
        { "link.html",
            "<!doctype html><a id=a href='" + target
                + "'>x</a><script>onload = () => "
                  "document.getElementById('a').click();</script>" },
    };
    QStringList paths;
    for (const auto& page : pages) {
        paths << QDir(folder).filePath(page.name);
        ASSERT_TRUE(WriteText(paths.last(), page.html));
    }
    for (const char* format : { "PNG", "TXT" }) {
        const ProgramRun run
            = Convert(QStringList { "--home", home(), "-o", out(), "--json", "-f", format, "--timeout", "30" } + paths);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        const auto rows = JsonRowsByAddress(run);
        ASSERT_EQ(rows.size(), 3) << run.out.toStdString();
        for (const QJsonObject& row : rows)
            EXPECT_EQ(row.value("reason").toString(),
                QStringLiteral("the page went to %1, outside the folders it may read").arg(secret))
                << format << " " << row.value("address").toString().toStdString();
        EXPECT_TRUE(outputs().isEmpty()) << outputs().join(' ').toStdString();
    }
}

// What a page script does and what a page calls itself reach the outcome as values: a selector with '%2F'
// in it is the selector given, a script that sends the tab to another page gives that page's title, and a
// title of a megabyte is cut, with a note.
TEST_F(FaultCase, PageValuesAndTitlesComeThroughAsTheyAre)
{
    TestServer server;
    server.page("/links",
        "<!doctype html><body style='margin:0'><div style='height:300px'></div>"
        "<a href='/a%2Fb' style='display:block;width:120px;height:40px;background:red'>x</a>");
    server.page("/from", "<!doctype html><title>from</title><p>from");
    // The page the script goes to streams in slowly: it is shown (and its address known) well before its
    // title and text arrive, and the capture waits for the whole page.
    server.route("/to",
        TestServer::Route { .body = "<!doctype html><p>" + QByteArray(2048, ' '),
            .delayMs = 300,
            .tail = "<title>to</title><p>to",
            .tailDelayMs = 1500 });
    server.page("/long", "<!doctype html><title>" + QByteArray(1 << 20, 'T') + "</title><p>long");
    const QString script = dir.filePath("go.js");
    ASSERT_TRUE(WriteText(script, "location.href = '/to';"));

    const ProgramRun selected = Convert({ "--home", home(), "-o", dir.filePath("selected"), "--json", "--selector",
        "a[href*='%2F']", server.url("/links") });
    ASSERT_TRUE(selected.finished);
    const QJsonObject box = JsonRowsByAddress(selected).value(server.url("/links"));
    EXPECT_EQ(box.value("status").toString(), "OK") << box.value("reason").toString().toStdString();
    EXPECT_EQ(QSize(box.value("width").toInt(), box.value("height").toInt()), QSize(120, 40));

    for (const char* format : { "PNG", "TXT" }) {
        const ProgramRun moved = Convert({ "--home", home(), "-o", dir.filePath(format), "--json", "-f", format,
            "--script", script, server.url("/from") });
        ASSERT_TRUE(moved.finished);
        const QJsonObject to = JsonRowsByAddress(moved).value(server.url("/from"));
        EXPECT_EQ(to.value("finalAddress").toString(), server.url("/to")) << format;
        EXPECT_EQ(to.value("title").toString(), "to") << format;
        if (QString(format) == "TXT") {
            const QByteArray text = ReadAll(to.value("output").toString()).trimmed();
            EXPECT_TRUE(text.endsWith("to") && !text.contains("from")) << text.toStdString();
        }
    }

    const ProgramRun titled = Convert({ "--home", home(), "-o", out(), "--json", "--report", server.url("/long") });
    ASSERT_TRUE(titled.finished);
    const QJsonObject long_ = JsonRowsByAddress(titled).value(server.url("/long"));
    EXPECT_EQ(long_.value("title").toString(), QString(1000, 'T') + QChar(0x2026));
    EXPECT_EQ(long_.value("note").toString(), "title cut at 1000 of its 1048576 characters");
    EXPECT_LT(QFileInfo(QDir(out()).filePath("report.json")).size(), 100'000);
}

} // namespace
} // namespace qm::test
