#include "scheduler/SchedulerRunner.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "scheduler/ScheduleFile.h"
#include "scheduler/ScheduleListModel.h"
#include "scheduler/ScheduleStore.h"
#include "settings/SettingsSource.h"
#include "tests/scheduler/SchedulerFakes.h"
#include "tests/support/EventLoop.h"
#include "tests/support/TempHome.h"

namespace qm {
namespace {

using namespace std::chrono_literals;

QDateTime at(const char* time, int ms = 0)
{
    return QDateTime(QDate(2026, 12, 6), QTime::fromString(QString::fromLatin1(time), QStringLiteral("HH:mm:ss")))
        .addMSecs(ms);
}

ScheduleTask task(const char* time, const char* url)
{
    return ScheduleTask { QStringLiteral("2026-12-06 ") + QString::fromLatin1(time), QString::fromLatin1(url),
        ScheduleListModel::Waiting, {} };
}

class SchedulerRunnerTest : public ::testing::Test
{
protected:
    test::TempHome home;
    FileSettings settings { home.settingsPath() };
    FixedClock clock { at("21:37:50") };
    ScheduleListModel model;
    ScheduleStore store { home.file(QStringLiteral("schedule.dat")), model };
    test::RecordingPages pages;
    SchedulerRunner runner { model, pages, settings, clock };

    void tickAt(const char* time, int ms = 0)
    {
        clock.set(at(time, ms));
        runner.tick();
    }
    QString status(int row) const { return model.task(row).status; }
    QString statusOnDisk(int row) const
    {
        auto tasks = ReadScheduleFile(store.path());
        return tasks && row < tasks->size() ? (*tasks)[row].status : QStringLiteral("<missing>");
    }
};

TEST_F(SchedulerRunnerTest, DueTaskTurnsDoneAsItStartsAndTheTimerWaitsForTheCapture)
{
    model.setTasks({ task("21:38:00", "http://a/") });
    runner.start();
    EXPECT_TRUE(runner.isArmed());

    tickAt("21:37:59", 600);
    EXPECT_TRUE(pages.started.isEmpty());

    tickAt("21:38:00", 600);
    ASSERT_EQ(pages.started, QStringList { QStringLiteral("http://a/") });
    EXPECT_EQ(pages.limits.value(0), 60s) << "no timeout setting: 60 seconds";
    EXPECT_EQ(status(0), ScheduleListModel::Done) << "marked before the page has loaded";
    EXPECT_EQ(statusOnDisk(0), ScheduleListModel::Done) << "the change is saved at once";
    EXPECT_FALSE(runner.isArmed());
    EXPECT_TRUE(runner.isCapturing());

    pages.succeed(QStringLiteral("HTTP 404 Not Found")); // an error page converted with "httperrors" on
    EXPECT_TRUE(runner.isArmed());
    EXPECT_FALSE(runner.isCapturing());
    EXPECT_EQ(status(0), ScheduleListModel::Done);
    EXPECT_EQ(model.reason(0), QStringLiteral("HTTP 404 Not Found"))
        << "the tool tip gives the status, as in the main window";
    tickAt("21:38:30");
    EXPECT_EQ(pages.started.size(), 1) << "a task runs once";
}

TEST_F(SchedulerRunnerTest, TasksDueTogetherOrDuringACaptureAllRunOneAfterAnother)
{
    model.setTasks({ task("21:38:20", "http://c/"), task("21:38:00", "http://a/"), task("21:38:00", "http://b/"),
        task("21:39:00", "http://d/") });
    runner.start();
    tickAt("21:38:00", 500);
    ASSERT_EQ(pages.started, QStringList { QStringLiteral("http://a/") });
    EXPECT_EQ(runner.queuedCount(), 1);

    // The capture of "a" outlasts the start time of "c".
    tickAt("21:38:45");
    EXPECT_EQ(pages.started.size(), 1);
    pages.succeed();
    tickAt("21:38:46");
    EXPECT_EQ(pages.started.last(), QStringLiteral("http://b/"));
    pages.failWith(QStringLiteral("refused"));
    EXPECT_EQ(status(2), ScheduleListModel::Failed);
    EXPECT_EQ(model.data(model.index(2, ScheduleListModel::StatusColumn), Qt::ToolTipRole).toString(),
        QStringLiteral("refused"));
    EXPECT_EQ(statusOnDisk(2), ScheduleListModel::Failed);
    EXPECT_TRUE(runner.isArmed()) << "a failed task re-arms the timer";

    tickAt("21:38:47");
    EXPECT_EQ(pages.started.last(), QStringLiteral("http://c/"));
    pages.succeed();
    tickAt("21:38:48");
    EXPECT_EQ(pages.started.size(), 3) << "d is not due yet";
    EXPECT_EQ(status(3), ScheduleListModel::Waiting);
}

TEST_F(SchedulerRunnerTest, TasksDueTogetherWriteOneReportWithTheReportSetting)
{
    const QString out = home.file(QStringLiteral("out"));
    home.set("set", "report", "1");
    home.set("set", "outputfolder", out);
    model.setTasks({ task("21:38:00", "http://a/"), task("21:38:00", "http://b/") });
    runner.start();
    tickAt("21:38:00", 500);
    pages.succeed();
    tickAt("21:38:01");
    ASSERT_EQ(pages.started.size(), 2);
    pages.failWith(QStringLiteral("the host name could not be found"));

    QFile file(out + QStringLiteral("/report.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject report = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_TRUE(report[QStringLiteral("finished")].toBool());
    const QJsonArray rows = report[QStringLiteral("rows")].toArray();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0][QStringLiteral("status")].toString(), QStringLiteral("OK"));
    EXPECT_EQ(rows[1][QStringLiteral("reason")].toString(), QStringLiteral("the host name could not be found"));
}

TEST_F(SchedulerRunnerTest, StartTimesAlreadyPastNeverRun)
{
    model.setTasks({ task("21:37:40", "http://before-start/"), task("21:38:00", "http://a/") });
    runner.start();
    tickAt("21:38:00");
    ASSERT_EQ(pages.started, QStringList { QStringLiteral("http://a/") });

    // Added while "a" is still running, for a moment that has already gone by.
    clock.set(at("21:38:30"));
    model.appendTask(task("21:38:10", "http://added-late/"), clock.now());
    model.appendTask(task("21:38:40", "http://added-early/"), clock.now());
    tickAt("21:39:00");
    pages.succeed();
    tickAt("21:39:01");
    tickAt("21:39:02");
    EXPECT_EQ(pages.started, (QStringList { QStringLiteral("http://a/"), QStringLiteral("http://added-early/") }));
    EXPECT_EQ(status(0), ScheduleListModel::Waiting);
    EXPECT_EQ(status(2), ScheduleListModel::Waiting);
}

// The runner ends a stalled page at the page time limit (ScheduledCapture, PageTimeLimit); the scheduler
// waits for it, abandons nothing, and runs the next task after the failure.
TEST_F(SchedulerRunnerTest, StalledTaskWaitsForTheRunnerToFailItAndTheNextOneRuns)
{
    home.set(QStringLiteral("set"), QStringLiteral("timeout"), QStringLiteral("1"));
    model.setTasks({ task("21:38:00", "http://stalled/"), task("21:38:00", "http://next/") });
    runner.start();
    tickAt("21:38:00");
    ASSERT_EQ(pages.limits.value(0), 1s);

    bool ok = true;
    QString reason;
    QObject::connect(&runner, &SchedulerRunner::taskFinished, [&](auto, bool success, const QString& why) {
        ok = success;
        reason = why;
    });
    tickAt("21:38:05");
    EXPECT_TRUE(runner.isCapturing()) << "no time limit of its own";
    EXPECT_EQ(pages.started.size(), 1);
    pages.failWith(QStringLiteral("the page did not finish loading within 1 s"));
    EXPECT_FALSE(ok);
    EXPECT_EQ(reason, QStringLiteral("the page did not finish loading within 1 s"));
    EXPECT_TRUE(pages.abandoned.isEmpty());
    EXPECT_EQ(status(0), ScheduleListModel::Failed);
    EXPECT_EQ(model.reason(0), reason);
    EXPECT_TRUE(runner.isArmed());

    tickAt("21:38:06");
    EXPECT_EQ(pages.started.last(), QStringLiteral("http://next/"));
}

TEST_F(SchedulerRunnerTest, EmptyingTheListDuringACaptureDropsItAndReArms)
{
    model.setTasks({ task("21:38:00", "http://a/"), task("21:38:00", "http://b/") });
    runner.start();
    tickAt("21:38:00");
    ASSERT_TRUE(runner.isCapturing());

    model.clearAll();
    EXPECT_EQ(pages.abandoned, pages.tickets);
    EXPECT_FALSE(runner.isCapturing());
    EXPECT_TRUE(runner.isArmed());
    EXPECT_EQ(runner.queuedCount(), 0) << "b went with the list";

    clock.set(at("21:38:10"));
    model.appendTask(task("21:38:20", "http://later/"), clock.now());
    tickAt("21:38:20");
    EXPECT_EQ(pages.started.last(), QStringLiteral("http://later/"));
}

TEST_F(SchedulerRunnerTest, RemovedRowsAreLeftAlone)
{
    model.setTasks({ task("21:38:00", "http://a/"), task("21:38:00", "http://b/"), task("21:50:00", "http://c/") });
    runner.start();
    tickAt("21:38:00");
    ASSERT_EQ(pages.started.size(), 1);

    model.removeTask(1); // b, still waiting its turn
    model.removeTask(0); // a, running
    EXPECT_TRUE(runner.isCapturing()) << "the list is not empty: the capture goes on";
    pages.failWith(QStringLiteral("gone"));
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(status(0), ScheduleListModel::Waiting) << "the failure of a removed row marks no other";
    tickAt("21:38:02");
    EXPECT_EQ(pages.started.size(), 1) << "the removed b does not run";
}

} // namespace
} // namespace qm
