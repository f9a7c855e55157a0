// `quillmark convert` run as a program: outputs, exit statuses, --json and Ctrl+C.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <csignal>

#include <gtest/gtest.h>

#include "tests/support/EventLoop.h"
#include "tests/support/LocalPages.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestServer.h"

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

class CliBinary : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_FALSE(Binary().isEmpty()) << "QUILLMARK_BINARY is not set"; }
    QString home() const { return dir.filePath("home"); }
    QString out() const { return dir.filePath("out"); }
    QTemporaryDir dir;
};

TEST_F(CliBinary, SamplePageWithoutAddressesAndSettingsLeftAlone)
{
    const ProgramRun first = Convert({ "--home", home(), "-o", out() });
    ASSERT_TRUE(first.finished);
    EXPECT_EQ(first.exitCode, 0) << first.err.toStdString();
    const QStringList files = QDir(out()).entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(files.size(), 1) << files.join(' ').toStdString();
    EXPECT_TRUE(files[0].endsWith(".png"));
    const QString written = out() + "/" + files[0];
    EXPECT_TRUE(first.out.contains(written.toUtf8())) << "the user is told where the file went";
    QImageReader reader(written);
    EXPECT_EQ(reader.format(), "png");
    EXPECT_EQ(reader.size().width(), 1280);
    EXPECT_GT(reader.size().height(), 800);

    // An option changes this run only: settings.dat keeps saying PNG.
    const QByteArray settings = ReadAll(home() + "/settings.dat");
    ASSERT_TRUE(settings.contains("outputformat=PNG"));
    const ProgramRun second = Convert({ "--home", home(), "-o", out(), "-f", "jpg", "-q" });
    EXPECT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_TRUE(second.out.isEmpty());
    EXPECT_EQ(ReadAll(home() + "/settings.dat"), settings);
    EXPECT_EQ(QDir(out()).entryList({ "*.jpg" }, QDir::Files).size(), 1);
}

TEST_F(CliBinary, JsonReportsEveryPageAndSomeFailedExitsOne)
{
    TestServer server;
    server.page("/ok", "<!doctype html><title>Fine page</title><body style='margin:0;background:#c33'><h1>fine</h1>");
    server.route("/moved", TestServer::Route { .status = 302, .headers = { { "Location", "/ok" } } });
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const QString refused = QStringLiteral("http://127.0.0.1:%1/").arg(probe.serverPort());
    probe.close();

    const ProgramRun run
        = Convert({ "--home", home(), "-o", out(), "--json", "--timeout", "20", server.url("/moved"), refused });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    const QList<QByteArray> lines = run.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2) << run.out.toStdString();
    QHash<QString, QJsonObject> byAddress;
    for (const QByteArray& line : lines) {
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        EXPECT_EQ(object.keys(),
            QStringList({ "address", "finalAddress", "height", "httpStatus", "milliseconds", "output", "reason",
                "status", "title", "width" }));
        byAddress.insert(object.value("address").toString(), object);
    }
    // The redirected page: where it landed, its title and the picture's size.
    const QJsonObject ok = byAddress.value(server.url("/moved"));
    EXPECT_EQ(ok.value("status").toString(), "OK");
    EXPECT_TRUE(QFile::exists(ok.value("output").toString()));
    EXPECT_EQ(ok.value("reason").toString(), "");
    EXPECT_GE(ok.value("milliseconds").toInteger(), 0);
    EXPECT_EQ(ok.value("finalAddress").toString(), server.url("/ok"));
    EXPECT_EQ(ok.value("title").toString(), "Fine page");
    EXPECT_EQ(QSize(ok.value("width").toInt(), ok.value("height").toInt()),
        QImageReader(ok.value("output").toString()).size());
    EXPECT_EQ(ok.value("width").toInt(), 1280);
    const QJsonObject failed = byAddress.value(refused);
    EXPECT_EQ(failed.value("status").toString(), "Failed");
    EXPECT_TRUE(failed.value("output").isNull());
    EXPECT_TRUE(failed.value("reason").toString().contains("REFUSED", Qt::CaseInsensitive));
}

TEST_F(CliBinary, TitleAndAddressAreThePagesAsCapturedAfterItsAppRoutedInEveryFormatAndTheReport)
{
    TestServer server;
    // A single-page app that goes to its own route after the load, title and address, as such apps do,
    // and to a print view of its own when it is printed.
    server.page("/app",
        "<!doctype html><title>Loading</title><body><p>app</p><script>"
        "const go = (to, title) => { history.pushState({}, '', to); document.title = title; };"
        "addEventListener('load', () => setTimeout(() => { go('/routed', 'Routed');"
        "document.body.insertAdjacentHTML('beforeend', '<p id=routed>routed</p>'); }, 200));"
        "addEventListener('beforeprint', () => go('/printed', 'Printed'));</script>");
    const struct
    {
        const char* format;
        const char* title;
        const char* path;
    } cases[] = { { "png", "Routed", "/routed" }, { "pdf", "Printed", "/printed" }, { "txt", "Routed", "/routed" } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        const QString folder = out() + u'/' + QLatin1String(c.format);
        const ProgramRun run = Convert({ "--home", home(), "-o", folder, "-f", c.format, "--json", "--report",
            "--timeout", "30", "--wait-for", "#routed", server.url("/app") });
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QJsonObject page = QJsonDocument::fromJson(run.out.trimmed()).object();
        EXPECT_EQ(page.value("title").toString(), c.title);
        EXPECT_EQ(page.value("finalAddress").toString(), server.url(c.path));
        const QJsonObject report = QJsonDocument::fromJson(ReadAll(folder + "/report.json")).object();
        EXPECT_EQ(report.value("rows").toArray().at(0).toObject().value("title").toString(), c.title);
    }
}

TEST_F(CliBinary, PageTallerThanMaxHeightIsCutAndTheReportSaysSo)
{
    TestServer server;
    server.page("/long", "<!doctype html><body style='margin:0'><div style='height:10000px;background:#36c'></div>");
    const ProgramRun run
        = Convert({ "--home", home(), "-o", out(), "--json", "--max-height", "3000", "-q", server.url("/long") });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject page = QJsonDocument::fromJson(run.out.trimmed()).object();
    EXPECT_EQ(page.value("status").toString(), "OK");
    EXPECT_EQ(page.value("note").toString(), "cut at 3000 px");
    EXPECT_EQ(QImageReader(page.value("output").toString()).size(), QSize(1280, 3000));
}

// A list that draws only the rows its window shows is kept at its height, and the outcome says so,
// for a picture and a PDF alike.
TEST_F(CliBinary, VirtualListKeptAtItsHeightIsSaidForPictureAndPdf)
{
    TestServer server;
    server.page("/list",
        "<!doctype html><body style='margin:0'><div id=win style='height:700px;overflow:auto;position:relative'>"
        "<div id=rows style='height:40000px'></div></div><script>"
        "const draw = () => { const first = Math.floor(win.scrollTop / 40); rows.innerHTML = '';"
        "for (let i = first; i < first + 20; i++) rows.insertAdjacentHTML('beforeend',"
        "`<div style='position:absolute;top:${i * 40}px;height:40px'>Row ${i}</div>`); };"
        "win.addEventListener('scroll', draw); draw();</script>");
    for (const char* format : { "png", "pdf" }) {
        SCOPED_TRACE(format);
        const ProgramRun run = Convert({ "--home", home(), "-o", out() + u'/' + QLatin1String(format), "-f", format,
            "--json", "-q", server.url("/list") });
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QJsonObject page = QJsonDocument::fromJson(run.out.trimmed()).object();
        EXPECT_EQ(page.value("note").toString(), "a virtual list kept at 700 px");
    }
}

TEST_F(CliBinary, LocalPagesByRelativeAndAbsolutePathAndAMissingOneFailsOnlyItsRow)
{
    const QString folder = dir.filePath(kAwkwardFolder);
    const QString red = WriteColourPage(folder + "/cli #1 \u00fc.html", "#dd3333");
    const QString blue = WriteColourPage(folder + "/cli %20 \u00f6.html", "#3333dd");
    const QString missing = folder + "/gone.html";
    const ProgramRun run = Convert({ "--home", home(), "-o", out(), "--json", "--timeout", "30",
        QDir::current().relativeFilePath(red), blue, missing });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    QStringList reasons;
    QStringList outputs;
    for (const QByteArray& line : run.out.trimmed().split('\n')) {
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        reasons.append(object.value("reason").toString());
        outputs.append(object.value("output").toString());
    }
    ASSERT_EQ(reasons.size(), 3) << run.out.toStdString();
    EXPECT_TRUE(reasons.contains("file not found: " + missing)) << reasons.join('|').toStdString();
    const QStringList redOut = outputs.filter("cli #1 \u00fc_html.png");
    const QStringList blueOut = outputs.filter("cli %20 \u00f6_html.png");
    ASSERT_EQ(redOut.size(), 1) << outputs.join('|').toStdString();
    ASSERT_EQ(blueOut.size(), 1) << outputs.join('|').toStdString();
    EXPECT_TRUE(ShowsColour(redOut[0], "#dd3333"));
    EXPECT_TRUE(ShowsColour(blueOut[0], "#3333dd"));
}

TEST_F(CliBinary, TextOutputKeepsEveryCharacterOfThePage)
{
    // Written as characters and as references; the page's own text decides, in UTF-8.
    const QString page = dir.filePath(kAwkwardFolder + "/text \u65e5.html");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(page).path()));
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(u"<!doctype html><meta charset=utf-8><body><p>\u00e9, \u65e5\u672c, \U0001F642<p>"
               "caf&eacute; &#x65E5;&#26412; &#x1F642; &copy;&nbsp;&lt;b&gt;</body>"_s.toUtf8());
    file.close();
    const ProgramRun run = Convert({ "--home", home(), "-o", out(), "-f", "TXT", "--timeout", "30", page });
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList written = QDir(out()).entryList({ "*.txt" }, QDir::Files);
    ASSERT_EQ(written.size(), 1);
    QFile text(QDir(out()).filePath(written[0]));
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(text.readAll()),
        u"\r\n\r\n\u00e9, \u65e5\u672c, \U0001F642\r\n\r\ncaf\u00e9 \u65e5\u672c \U0001F642 \u00a9 <b>"_s);
}

struct SetupCase
{
    const char* name;
    QStringList arguments; // "@DIR@" is the test's folder
    const char* mentions;
};

class CliRefuses : public CliBinary, public ::testing::WithParamInterface<SetupCase>
{
};

TEST_P(CliRefuses, ExitsTwoWithOneLineNamingTheCause)
{
    QFile plain(dir.filePath("plain.txt"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    QStringList arguments { "--home", home() };
    for (QString argument : GetParam().arguments)
        arguments.append(argument.replace("@DIR@", dir.path()));
    const ProgramRun run = Convert(arguments);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 2);
    const QList<QByteArray> lines = ErrorLines(run);
    ASSERT_EQ(lines.size(), 1) << run.err.toStdString();
    EXPECT_TRUE(lines[0].contains(GetParam().mentions)) << lines[0].toStdString();
    EXPECT_FALSE(QDir(out()).exists() && !QDir(out()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Setup, CliRefuses,
    ::testing::Values(SetupCase { "unknown_option", { "--colour", "red" }, "unknown option --colour" },
        SetupCase { "bad_format", { "-f", "avif" }, "unknown format \"avif\"" },
        SetupCase { "unreadable_list", { "-l", "@DIR@/missing.ulf" }, "cannot read the list" },
        SetupCase { "output_folder_under_a_file", { "-o", "@DIR@/plain.txt/out" }, "output folder" },
        SetupCase { "no_browser", { "-o", "@DIR@/out", "--browser", "@DIR@/no-such-chromium" }, "no-such-chromium" }),
    [](const auto& info) { return std::string(info.param.name); });

// From a terminal with no window system, the program without a command (or with a word it does not
// know) says in one line what works there, instead of aborting in the window library.
TEST_F(CliBinary, NoWindowSystemPointsToConvertAndExitsTwo)
{
    for (const QStringList& arguments : { QStringList {}, QStringList { "serve" }, QStringList { "page.html" } }) {
        const ProgramRun run
            = RunProgram(arguments, { "DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=", "HOME=" + home() });
        ASSERT_TRUE(run.finished) << arguments.join(' ').toStdString();
        EXPECT_EQ(run.exitCode, 2) << arguments.join(' ').toStdString() << ": " << run.err.toStdString();
        const QList<QByteArray> lines = ErrorLines(run);
        ASSERT_EQ(lines.size(), 1) << run.err.toStdString();
        EXPECT_TRUE(lines[0].contains("\"quillmark convert\"")) << lines[0].toStdString();
    }
}

TEST_F(CliBinary, InterruptDropsPagesInFlightLeavesNoFileAndEndsTheBrowser)
{
    // A page that never answers: the program is certainly converting it when Ctrl+C arrives.
    QTcpServer hang;
    ASSERT_TRUE(hang.listen(QHostAddress::LocalHost, 0));
    QList<qint64> browsers;
    const ProgramRun run = Convert({ "--home", home(), "-o", out(), "--timeout", "60",
                                       QStringLiteral("http://127.0.0.1:%1/hang").arg(hang.serverPort()) },
        [&](QProcess& process) {
            QObject::connect(&hang, &QTcpServer::newConnection, [&] {
                browsers = Children(process.processId());
                ::kill(pid_t(process.processId()), SIGINT);
            });
        });
    ASSERT_TRUE(run.finished) << "the program did not stop after Ctrl+C";
    EXPECT_EQ(run.exitCode, 130) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("interrupted"));
    EXPECT_TRUE(QDir(out()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    ASSERT_FALSE(browsers.isEmpty()) << "no browser process was seen";
    for (qint64 pid : browsers)
        EXPECT_FALSE(Alive(pid)) << "browser process " << pid << " outlived the program";
}

} // namespace
} // namespace qm::test

namespace qm::test {
namespace {

struct ParallelCase
{
    const char* format;
    int browsers;
};

class CliParallel : public CliBinary, public ::testing::WithParamInterface<ParallelCase>
{
};

// Two pages that never answer are both requested at once; captured outputs get a browser per page,
// PDF pages share one browser's tabs.
TEST_P(CliParallel, TwoJobsLoadBothPagesAtOnceInTheirBrowsers)
{
    QTcpServer first;
    QTcpServer second;
    ASSERT_TRUE(first.listen(QHostAddress::LocalHost, 0));
    ASSERT_TRUE(second.listen(QHostAddress::LocalHost, 0));
    QList<qint64> browsers;
    const ProgramRun run = Convert({ "--home", home(), "-o", out(), "-f", GetParam().format, "-j", "2", "--timeout",
                                       "60", QStringLiteral("http://127.0.0.1:%1/a").arg(first.serverPort()),
                                       QStringLiteral("http://127.0.0.1:%1/b").arg(second.serverPort()) },
        [&](QProcess& process) {
            auto bothAsked = [&] {
                if (!first.hasPendingConnections() || !second.hasPendingConnections())
                    return;
                browsers = Children(process.processId());
                ::kill(pid_t(process.processId()), SIGINT);
            };
            QObject::connect(&first, &QTcpServer::newConnection, bothAsked);
            QObject::connect(&second, &QTcpServer::newConnection, bothAsked);
        });
    ASSERT_TRUE(run.finished) << "the two pages were not asked for at once";
    EXPECT_EQ(run.exitCode, 130) << run.err.toStdString();
    EXPECT_EQ(browsers.size(), GetParam().browsers);
}

INSTANTIATE_TEST_SUITE_P(Formats, CliParallel, ::testing::Values(ParallelCase { "PNG", 2 }, ParallelCase { "PDF", 1 }),
    [](const auto& info) { return std::string(info.param.format); });

} // namespace
} // namespace qm::test
