#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "capture/EnginePool.h"
#include "capture/PageConversion.h"
#include "capture/PageSettings.h"
#include "platform/Clock.h"
#include "platform/cdp/Browser.h"
#include "scheduler/ScheduleFile.h"
#include "scheduler/ScheduleListModel.h"
#include "scheduler/ScheduleStore.h"
#include "scheduler/Scheduler.h"
#include "scheduler/SchedulerRunner.h"
#include "settings/SettingsSource.h"
#include "tests/support/EventLoop.h"
#include "tests/support/LocalPages.h"
#include "tests/support/TempHome.h"
#include "tests/support/TestServer.h"

namespace qm {
namespace {

using namespace std::chrono_literals;

const QByteArray Page = "<!doctype html><html><body style='background:#3a6'><h1>Scheduled</h1>"
                        "<p style='height:1500px'>tall enough to scroll</p></body></html>";

// The real engine, the loopback server and a scheduler on the system clock, as the desktop runs it.
class ScheduledCaptureTest : public ::testing::Test
{
protected:
    test::TempHome home;
    test::TestServer server;
    FileSettings settings { home.settingsPath() };
    EnginePool pool { { cdp::BrowserOptions {} } };
    std::unique_ptr<Scheduler> scheduler;
    QString outputs = home.file(QStringLiteral("out"));

    void SetUp() override
    {
        server.page(QStringLiteral("/page"), Page);
        server.stall(QStringLiteral("/stall"));
        home.set(QStringLiteral("set"), QStringLiteral("outputfolder"), outputs);
        home.set(QStringLiteral("set"), QStringLiteral("outputformat"), QStringLiteral("PNG"));
        home.set(QStringLiteral("set"), QStringLiteral("fileoption"), QStringLiteral("0"));
        home.set(QStringLiteral("set"), QStringLiteral("filename"), QStringLiteral("scheduled"));
        home.set(QStringLiteral("set"), QStringLiteral("existedfile"), QStringLiteral("0"));

        // The desktop starts its browser at start-up; so does the test, so that a task's time limit
        // is not spent on starting it.
        test::LoopRunner started;
        std::optional<Result<void>> engine;
        pool.start([&](Result<void> r) {
            engine = std::move(r);
            started.done();
        });
        ASSERT_TRUE(started.run(60s));
        ASSERT_TRUE(engine && *engine) << (engine ? engine->error().message.toStdString() : "no answer");

        auto pages = std::make_unique<PageConversion>(pool, home.path());
        PageConversion* conversion = pages.get();
        scheduler
            = std::make_unique<Scheduler>(home.home().schedulePath(), std::move(pages), settings, Clock::system());
        conversion->setRowsPresent([model = &scheduler->model()] { return model->rowCount() > 0; });
        ASSERT_TRUE(scheduler->start().has_value());
    }

    // A task two seconds ahead of now, as the dialog would add it.
    void addTask(const QString& path, int secondsAhead = 2) { addAddress(server.url(path), secondsAhead); }
    void addAddress(const QString& address, int secondsAhead = 2)
    {
        const QDateTime now = Clock::system().now();
        const QDateTime start = now.addSecs(secondsAhead);
        scheduler->model().appendTask(
            ScheduleTask { FormatStartTime(start), address, ScheduleListModel::Waiting, {} }, now);
    }

    // Runs the event loop until `count` tasks have finished; returns their outcomes in order.
    QList<bool> runTasks(int count, std::chrono::milliseconds limit)
    {
        QList<bool> outcomes;
        test::LoopRunner loop;
        auto connection = QObject::connect(
            &scheduler->runner(), &SchedulerRunner::taskFinished, [&](auto, bool ok, const QString&) {
                outcomes.append(ok);
                if (outcomes.size() == count)
                    loop.done();
            });
        loop.run(limit);
        QObject::disconnect(connection);
        return outcomes;
    }

    QStringList outputFiles() const { return QDir(outputs).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name); }
    QString statusOnDisk(int row) const
    {
        auto tasks = ReadScheduleFile(home.home().schedulePath());
        return tasks && row < tasks->size() ? (*tasks)[row].status : QStringLiteral("<missing>");
    }
};

TEST_F(ScheduledCaptureTest, TaskDueInTwoSecondsConvertsThePage)
{
    addTask(QStringLiteral("/page"));
    bool doneWhenStarted = false;
    QObject::connect(&scheduler->runner(), &SchedulerRunner::taskStarted, [&] {
        doneWhenStarted = scheduler->model().task(0).status == ScheduleListModel::Done
            && statusOnDisk(0) == ScheduleListModel::Done;
    });

    EXPECT_EQ(runTasks(1, 90s), QList<bool> { true });
    EXPECT_TRUE(doneWhenStarted) << "the row says Done as the navigation starts, on screen and on disk";
    EXPECT_EQ(scheduler->model().task(0).status, ScheduleListModel::Done);
    EXPECT_EQ(statusOnDisk(0), ScheduleListModel::Done);
    ASSERT_EQ(outputFiles(), QStringList { QStringLiteral("scheduled.png") });
    EXPECT_GT(QFileInfo(outputs + QStringLiteral("/scheduled.png")).size(), 100);
    EXPECT_EQ(server.hits(QStringLiteral("/page")), 1);
    EXPECT_TRUE(scheduler->runner().isArmed());
}

TEST_F(ScheduledCaptureTest, TaskWhoseAddressIsAPathConvertsTheLocalPage)
{
    const QString page = test::WriteColourPage(home.file(test::kAwkwardFolder + "/task #1 \u00fc.html"), "#dd3333");
    addAddress(page);
    EXPECT_EQ(runTasks(1, 90s), QList<bool> { true }) << qPrintable(scheduler->model().reason(0));
    EXPECT_TRUE(test::ShowsColour(outputs + "/scheduled.png", "#dd3333"));
    auto tasks = ReadScheduleFile(home.home().schedulePath());
    ASSERT_TRUE(tasks && tasks->size() == 1);
    EXPECT_EQ(tasks->first().url, page) << "the schedule keeps the path as it was given";
}

TEST_F(ScheduledCaptureTest, TaskHonoursThePageSettings)
{
    server.page(QStringLiteral("/covered"),
        "<!doctype html><body style='margin:0;background:#33aa66'>"
        "<div id='cover' style='height:900px;background:#dd3333'></div></body>");
    home.set(QStringLiteral("page"), QStringLiteral("hide"), QStringLiteral("#cover"));
    addTask(QStringLiteral("/covered"));
    EXPECT_EQ(runTasks(1, 90s), QList<bool> { true }) << qPrintable(scheduler->model().reason(0));
    EXPECT_TRUE(test::ShowsColour(outputs + "/scheduled.png", "#33aa66")) << "the cover is hidden";
}

TEST_F(ScheduledCaptureTest, StalledPageFailsAtTheTimeLimitAndTheNextTaskRuns)
{
    home.set(QStringLiteral("set"), QStringLiteral("timeout"), QStringLiteral("6"));
    addTask(QStringLiteral("/stall"));
    addTask(QStringLiteral("/page"));

    EXPECT_EQ(runTasks(2, 90s), (QList<bool> { false, true }));
    EXPECT_EQ(scheduler->model().task(0).status, ScheduleListModel::Failed);
    // The runner's one wording of the time limit, as the batch's rows and the worker's results have it.
    EXPECT_EQ(scheduler->model().reason(0), QStringLiteral("the page did not finish loading within 6 s"));
    EXPECT_EQ(statusOnDisk(0), ScheduleListModel::Failed);
    EXPECT_EQ(statusOnDisk(1), ScheduleListModel::Done);
    EXPECT_EQ(outputFiles(), QStringList { QStringLiteral("scheduled.png") }) << "nothing left of the stalled page";
}

TEST_F(ScheduledCaptureTest, RunsBesideABatchPageWithoutTakingItsName)
{
    // The main window's runner converts the same page under the same name in its own tab meanwhile.
    PageConversion batch(pool, home.path());
    addTask(QStringLiteral("/page"), 1);
    std::optional<PageOutcome> batchOutcome;
    std::optional<bool> scheduledOk;
    test::LoopRunner loop;
    auto bothDone = [&] {
        if (batchOutcome && scheduledOk)
            loop.done();
    };
    QObject::connect(&scheduler->runner(), &SchedulerRunner::taskStarted, [&] {
        batch.convert(
            1, server.url(QStringLiteral("/page")), PageSettings::ReadFrom(settings), [&](PageOutcome outcome) {
                batchOutcome = std::move(outcome);
                bothDone();
            });
    });
    QObject::connect(&scheduler->runner(), &SchedulerRunner::taskFinished, [&](auto, bool ok, const QString&) {
        scheduledOk = ok;
        bothDone();
    });

    ASSERT_TRUE(loop.run(90s));
    EXPECT_TRUE(*scheduledOk);
    ASSERT_TRUE(batchOutcome->output.has_value()) << batchOutcome->output.error().message.toStdString();
    EXPECT_EQ(outputFiles(), (QStringList { QStringLiteral("scheduled.png"), QStringLiteral("scheduled_0.png") }));
}

} // namespace
} // namespace qm
