// A full disk and a killed program: an output is complete under its name, or not there at all.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <memory>

#include <signal.h>
#include <sys/mount.h>
#include <sys/statvfs.h>

#include "tests/faults/FaultFixture.h"
#include "tests/support/TestServer.h"

namespace qm::test {
namespace {

// What the full disk leaves free: every output below is larger, so its writing starts and is cut.
constexpr qint64 kRoomLeft = 8192;

// Outputs named "page", numbered when the name is taken.
void WriteSettings(const QString& home)
{
    ASSERT_TRUE(QDir().mkpath(home));
    QFile file(home + "/settings.dat");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[set]\nfileoption=0\nfilename=page\nexistedfile=0\n");
}

QStringList Everything(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden);
}

class DiskFaults : public FaultCase
{
protected:
    void SetUp() override
    {
        FaultCase::SetUp();
        WriteSettings(home());
        // Over 8 KB in every output type, and short: the columns keep the picture small.
        QByteArray text = "<!doctype html><body style='columns:4'>";
        for (int i = 0; i < 300; ++i)
            text += "<p>Paragraph " + QByteArray::number(i) + " of a page that needs room on the disk.</p>";
        server.page("/text", text);
        // Taller than one capture: taken in bands and encoded band by band.
        server.page("/tall",
            "<!doctype html><body style='margin:0'>"
            "<div style='height:33000px;background:linear-gradient(#c00,#00c)'></div>");
    }

    // Converts the page into `folder` once per output type, each on a disk that is full; `environment`
    // is how the disk is made full.
    void ExpectEveryOutputTypeFailsCleanly(const QString& folder, const QStringList& environment = {})
    {
        struct Case
        {
            const char* format;
            const char* page;
            const char* name;
        };
        const Case cases[] = {
            { "BMP", "/text", "page.BMP" },
            { "JPG", "/text", "page.jpg" },
            { "PNG", "/text", "page.png" },
            { "GIF", "/text", "page.gif" },
            { "TIFF", "/text", "page.tiff" },
            { "PDF", "/text", "page.pdf" },
            { "TXT", "/text", "page.txt" },
            { "PNG", "/tall", "page.png" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.format) + " " + c.page);
            const ProgramRun run = RunProgram(
                { "convert", "--home", home(), "-o", folder, "-f", c.format, "--json", server.url(c.page) },
                environment);
            ASSERT_TRUE(run.finished);
            EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
            const QJsonObject line = QJsonDocument::fromJson(run.out.trimmed()).object();
            EXPECT_EQ(line.value("status").toString(), "Failed") << run.out.toStdString();
            const QString reason = line.value("reason").toString();
            EXPECT_TRUE(reason.contains("No space left on device")) << reason.toStdString();
            EXPECT_TRUE(reason.contains(folder + "/" + c.name)) << reason.toStdString();
            EXPECT_EQ(Everything(folder), QStringList()) << "a partial or temporary file was left";
        }
    }

    TestServer server;
};

TEST_F(DiskFaults, FullFileSystemFailsEveryOutputTypeAndLeavesNothing)
{
    const QString disk = dir.filePath("disk");
    ASSERT_TRUE(QDir().mkpath(disk));
    if (::mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=2m") != 0)
        GTEST_SKIP() << "a small file system cannot be mounted here: " << std::strerror(errno);
    const std::shared_ptr<void> unmount(
        nullptr, [&](void*) { ::umount2(QFile::encodeName(disk).constData(), MNT_DETACH); });
    const QString folder = disk + "/out";
    ASSERT_TRUE(QDir().mkpath(folder));
    struct statvfs room
    {
    };
    ASSERT_EQ(::statvfs(QFile::encodeName(disk).constData(), &room), 0);
    QFile filler(disk + "/filler");
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    const qint64 fill = qint64(room.f_bavail) * qint64(room.f_frsize) - kRoomLeft;
    ASSERT_EQ(filler.write(QByteArray(fill, 'x')), fill);
    filler.close();

    ExpectEveryOutputTypeFailsCleanly(folder);
}

TEST_F(DiskFaults, FullDiskWithoutMountingFailsEveryOutputTypeAndLeavesNothing)
{
    ASSERT_TRUE(QDir().mkpath(out()));
    const QString folder = QFileInfo(out()).canonicalFilePath();
    ExpectEveryOutputTypeFailsCleanly(folder,
        { "LD_PRELOAD=" QM_DISK_FULL_SHIM, "QM_FULL_FOLDER=" + folder, "QM_FULL_FREE=" + QString::number(kRoomLeft) });
}

TEST_F(DiskFaults, KilledAtAnyMomentLeavesOnlyCompleteOutputsAndTheNextRunSweeps)
{
    const QStringList colours = { "#c00", "#0a0", "#00c" };
    QStringList addresses;
    for (const QString& colour : colours) {
        const QString path = "/" + colour.mid(1);
        server.page(path,
            "<!doctype html><body style='margin:0'><div style='height:3000px;background:linear-gradient("
                + colour.toLatin1() + ",#fff)'></div>");
        addresses.append(server.url(path));
    }
    const QStringList arguments
        = QStringList { "convert", "--home", home(), "-o", out(), "-f", "BMP", "-q" } + addresses;
    ASSERT_TRUE(QDir().mkpath(out()));

    const auto expectOnlyCompleteOutputs = [&] {
        for (const QString& name : QDir(out()).entryList(QDir::Files)) {
            QImageReader reader(out() + "/" + name);
            EXPECT_EQ(reader.read().size(), QSize(1280, 3000)) << name.toStdString() << " is not complete";
        }
    };
    // Each page shows a temporary file, then its output: the kill comes as the folder shows the
    // n-th new name, so that every step of writing is hit once.
    for (int at = 1; at <= 2 * colours.size(); ++at) {
        SCOPED_TRACE(at);
        const QStringList before = Everything(out());
        const ProgramRun run = RunProgram(arguments, {}, [&](QProcess& process) {
            auto* poll = new QTimer(&process);
            auto seen = std::make_shared<QSet<QString>>();
            QObject::connect(poll, &QTimer::timeout, poll, [&, poll, seen] {
                for (const QString& name : Everything(out()))
                    if (!before.contains(name))
                        seen->insert(name);
                if (seen->size() >= at) {
                    // The browser left behind ends with the program here, as the killed run's own
                    // clean-up would have ended it; its profile is the next run's to sweep.
                    const QList<qint64> browsers = Children(process.processId());
                    ::kill(pid_t(process.processId()), SIGKILL);
                    for (qint64 browser : browsers)
                        ::kill(-pid_t(browser), SIGKILL);
                    poll->stop();
                }
            });
            poll->start(1);
        });
        ASSERT_TRUE(run.finished);
        expectOnlyCompleteOutputs();
    }

    const ProgramRun last = RunProgram(arguments);
    ASSERT_TRUE(last.finished);
    EXPECT_EQ(last.exitCode, 0) << last.err.toStdString();
    expectOnlyCompleteOutputs();
    EXPECT_EQ(QDir(out()).entryList({ ".*" }, QDir::Files | QDir::Hidden), QStringList()) << "stale temporary files";
    EXPECT_GE(QDir(out()).entryList(QDir::Files).size(), colours.size());
}

// A report that cannot be written again on a full disk stays the whole report it was, and says so;
// a later run goes on with it.
TEST_F(DiskFaults, FullDiskKeepsTheLastWholeReport)
{
    server.route("/gone", TestServer::Route { .status = 404, .body = "<p>gone" });
    const QStringList pages = { server.url("/text"), server.url("/gone") };
    const ProgramRun first
        = RunProgram(QStringList { "convert", "--home", home(), "-o", out(), "-q", "--report" } + pages);
    ASSERT_TRUE(first.finished);
    ASSERT_EQ(first.exitCode, 1) << first.err.toStdString();
    const QString folder = QFileInfo(out()).canonicalFilePath();
    const QByteArray report = ReadAll(folder + "/report.json");
    ASSERT_TRUE(report.contains("\"report\":\"quillmark\""));
    const QByteArray html = ReadAll(folder + "/report.html");

    const ProgramRun full = RunProgram({ "convert", "--home", home(), "-q", "--resume", folder },
        { "LD_PRELOAD=" QM_DISK_FULL_SHIM, "QM_FULL_FOLDER=" + folder, "QM_FULL_FREE=0" });
    ASSERT_TRUE(full.finished);
    EXPECT_EQ(full.exitCode, 2) << full.err.toStdString();
    const QList<QByteArray> lines = ErrorLines(full);
    ASSERT_EQ(lines.size(), 1) << full.err.toStdString();
    EXPECT_TRUE(lines[0].contains("cannot write " + folder.toUtf8() + "/report.json: No space left on device"))
        << lines[0].toStdString();
    EXPECT_EQ(ReadAll(folder + "/report.json"), report);
    EXPECT_EQ(ReadAll(folder + "/report.html"), html);
    EXPECT_EQ(QDir(folder).entryList({ ".*" }, QDir::Files | QDir::Hidden), QStringList())
        << "a temporary file was left";

    const ProgramRun resumed = RunProgram({ "convert", "--home", home(), "-q", "--resume", folder });
    ASSERT_TRUE(resumed.finished);
    EXPECT_EQ(resumed.exitCode, 1) << resumed.err.toStdString(); // the 404 page again, and nothing else
    EXPECT_EQ(ErrorLines(resumed), QList<QByteArray>()) << resumed.err.toStdString();
}

// The first run's copy of the settings on a full disk: no settings.dat cut short, and the run says why.
TEST_F(DiskFaults, FullDiskAtFirstRunLeavesNoSettingsAndSaysSo)
{
    const QString fresh = QFileInfo(home()).canonicalFilePath() + "/fresh";
    ASSERT_TRUE(QDir().mkpath(fresh));
    const ProgramRun run = RunProgram({ "convert", "--home", fresh, "-o", out(), "-q", server.url("/text") },
        { "LD_PRELOAD=" QM_DISK_FULL_SHIM, "QM_FULL_FOLDER=" + fresh, "QM_FULL_FREE=100" });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("settings.dat: No space left on device")) << run.err.toStdString();
    EXPECT_EQ(QDir(fresh).entryList(QDir::Files | QDir::Hidden), QStringList());
    EXPECT_TRUE(outputs().isEmpty());
}

} // namespace
} // namespace qm::test
