// The batch report: what it says of OK, failed and retried pages, and a killed run resumed from it.
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>
#include <csignal>
#include <memory>

#include <sys/stat.h>

#include "tests/faults/FaultFixture.h"
#include "tests/support/TestServer.h"

namespace qm::test {
namespace {

QJsonObject ReadReport(const QString& folder)
{
    return QJsonDocument::fromJson(ReadAll(folder + "/report.json")).object();
}

QHash<QString, QJsonObject> RowsByAddress(const QJsonObject& report)
{
    QHash<QString, QJsonObject> rows;
    for (const QJsonValue& row : report.value("rows").toArray())
        rows.insert(row["address"].toString(), row.toObject());
    return rows;
}

QByteArray ColouredPage(int hue)
{
    return "<!doctype html><title>Page " + QByteArray::number(hue) + "</title><body style='margin:0;background:hsl("
        + QByteArray::number(hue) + ",70%,60%)'><h1>Page " + QByteArray::number(hue) + "</h1>";
}

TEST_F(FaultCase, ReportCountsLinksAndThumbnailsOfOkFailedAndRetriedPages)
{
    TestServer server;
    server.page("/red", ColouredPage(0));
    server.page("/green", ColouredPage(120));
    server.route("/flaky", TestServer::Route { .body = ColouredPage(240), .failFirst = 2 });
    const QString gone = server.url("/gone"); // 404: not tried again
    const ProgramRun run = Convert({ "--home", home(), "-o", out(), "-q", "--report", "--retry", "2", "--timeout", "30",
        server.url("/red"), gone, server.url("/flaky"), server.url("/green") });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();

    const QJsonObject report = ReadReport(out());
    const QJsonObject summary = report["summary"].toObject();
    EXPECT_EQ(summary["pages"].toInt(), 4);
    EXPECT_EQ(summary["ok"].toInt(), 3);
    EXPECT_EQ(summary["failed"].toInt(), 1);
    EXPECT_EQ(summary["retried"].toInt(), 1);
    EXPECT_EQ(summary["pending"].toInt(), 0);

    const auto rows = RowsByAddress(report);
    const QJsonObject flaky = rows.value(server.url("/flaky"));
    EXPECT_EQ(flaky["status"].toString(), "OK") << flaky["reason"].toString().toStdString();
    EXPECT_EQ(flaky["tries"].toInt(), 3);
    EXPECT_EQ(rows.value(gone)["status"].toString(), "Failed");
    EXPECT_EQ(rows.value(gone)["tries"].toInt(), 1);
    EXPECT_EQ(server.hits("/gone"), 1);

    const QByteArray html = ReadAll(out() + "/report.html");
    EXPECT_TRUE(html.contains("<p class=\"reason\">HTTP 404")) << "the failure's reason is on its card";
    for (const char* page : { "/red", "/flaky", "/green" }) {
        SCOPED_TRACE(page);
        const QJsonObject row = rows.value(server.url(page));
        const QString output = row["output"].toString();
        const QString thumbnail = row["thumbnail"].toString();
        EXPECT_EQ(QImageReader(out() + "/" + output).size(), QSize(row["width"].toInt(), row["height"].toInt()));
        EXPECT_EQ(row["bytes"].toInteger(), QFileInfo(out() + "/" + output).size());
        QImageReader tile(out() + "/" + thumbnail);
        EXPECT_EQ(tile.format(), "jpeg");
        EXPECT_EQ(tile.size().width(), 320);
        EXPECT_TRUE(html.contains(("href=\"./" + output + "\"").toUtf8())) << "no link to " << output.toStdString();
        EXPECT_TRUE(html.contains(("src=\"./" + thumbnail + "\"").toUtf8()));
    }
}

TEST_F(FaultCase, KilledRunResumedFromItsReportWritesEveryPageExactlyOnce)
{
    TestServer server;
    QStringList addresses;
    for (int i = 0; i < 6; ++i) {
        const QString path = QStringLiteral("/p%1").arg(i);
        server.page(path, ColouredPage(i * 60));
        addresses.append(server.url(path));
    }
    // Every page gets the same name, so that numbering decides each output's name.
    ASSERT_TRUE(QDir().mkpath(home()));
    QFile settings(home() + "/settings.dat");
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[set]\nfileoption=0\nfilename=shot\nexistedfile=0\noutputformat=PNG\noutputtype=Image\n");
    settings.close();
    const QStringList arguments = QStringList { "convert", "--home", home(), "-j", "1", "-q" } + addresses;

    const ProgramRun killed
        = RunProgram(arguments + QStringList { "-o", out(), "--report" }, {}, [&](QProcess& process) {
              auto* poll = new QTimer(&process);
              QObject::connect(poll, &QTimer::timeout, poll, [&, poll] {
                  if (ReadReport(out())["summary"].toObject()["ok"].toInt() < 2)
                      return;
                  const QList<qint64> browsers = Children(process.processId());
                  ::kill(pid_t(process.processId()), SIGKILL);
                  for (qint64 browser : browsers)
                      ::kill(-pid_t(browser), SIGKILL);
                  poll->stop();
              });
              poll->start(5);
          });
    ASSERT_TRUE(killed.finished);
    ASSERT_LT(ReadReport(out())["summary"].toObject()["ok"].toInt(), 6) << "the run ended before it was killed";

    const ProgramRun resumed = RunProgram(arguments + QStringList { "--resume", out() });
    ASSERT_TRUE(resumed.finished);
    EXPECT_EQ(resumed.exitCode, 0) << resumed.err.toStdString();

    const QJsonObject report = ReadReport(out());
    EXPECT_EQ(report["summary"].toObject()["ok"].toInt(), 6);
    QSet<QString> named;
    for (const QJsonValue& row : report["rows"].toArray())
        named.insert(row["output"].toString());
    const QStringList pictures = QDir(out()).entryList({ "*.png" }, QDir::Files);
    EXPECT_EQ(pictures.size(), 6) << pictures.join(' ').toStdString();
    EXPECT_EQ(named, QSet<QString>(pictures.cbegin(), pictures.cend()));
    EXPECT_EQ(QDir(out()).entryList(QDir::Hidden | QDir::Files).filter(QRegularExpression("^\\.")), QStringList())
        << "a temporary file was left";
}

// Someone who may write the output folder plants links where the report's files go: each is replaced
// by the report's own file, and nothing outside the folder is written.
TEST_F(FaultCase, LinksPlantedInTheOutputFolderAreReplacedNotFollowed)
{
    TestServer server;
    server.page("/red", ColouredPage(0));
    const QString victims = dir.filePath("victims");
    ASSERT_TRUE(QDir().mkpath(victims));
    ASSERT_TRUE(QDir().mkpath(out()));
    const QStringList names = { "report.json", "report.html", "report-2.html", "report-journal.jsonl" };
    for (const QString& name : names) {
        QFile victim(victims + "/" + name);
        ASSERT_TRUE(victim.open(QIODevice::WriteOnly));
        victim.write("keep me");
        victim.close();
        ASSERT_TRUE(QFile::link(victim.fileName(), out() + "/" + name));
    }
    ASSERT_TRUE(QDir().mkpath(victims + "/files"));
    ASSERT_TRUE(QFile::link(victims + "/files", out() + "/report-files"));

    const ProgramRun run = Convert({ "--home", home(), "-o", out(), "-q", "--report", server.url("/red") });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(ReadAll(victims + "/" + name), "keep me");
        EXPECT_FALSE(QFileInfo(out() + "/" + name).isSymLink());
    }
    EXPECT_EQ(QDir(victims + "/files").entryList(QDir::Files | QDir::Hidden), QStringList());
    const QFileInfo files(out() + "/report-files");
    EXPECT_TRUE(files.isDir() && !files.isSymLink());
    const QJsonObject row = ReadReport(out())["rows"].toArray()[0].toObject();
    EXPECT_EQ(row["status"].toString(), "OK");
    EXPECT_TRUE(QFileInfo(out() + "/" + row["thumbnail"].toString()).isFile())
        << row["thumbnail"].toString().toStdString();
    EXPECT_TRUE(ReadAll(out() + "/report.html").contains("<!doctype html>"));
}

// The report's files are made as outputs are: readable by whoever the umask lets read the pictures.
TEST_F(FaultCase, ReportFilesTakeThePermissionsOfTheOutputs)
{
    TestServer server;
    server.page("/red", ColouredPage(0));
    const mode_t umask = ::umask(022); // the program inherits it
    const std::shared_ptr<void> restore(nullptr, [umask](void*) { ::umask(umask); });
    const ProgramRun run = Convert({ "--home", home(), "-o", out(), "-q", "--report", server.url("/red") });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject row = ReadReport(out())["rows"].toArray()[0].toObject();
    const QFile::Permissions output = QFileInfo(out() + "/" + row["output"].toString()).permissions();
    EXPECT_TRUE(output & QFile::ReadOther);
    for (const QString& name : { QString("report.html"), QString("report.json"),
             "report-files/" + QFileInfo(row["thumbnail"].toString()).fileName() }) {
        EXPECT_EQ(QFileInfo(out() + "/" + name).permissions(), output) << name.toStdString();
    }
}

} // namespace
} // namespace qm::test
