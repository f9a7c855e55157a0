// The batch driver against a fake page runner: statuses, progress, messages, cancel, limits, jobs.
#include "batch/BatchDriver.h"

#include <gtest/gtest.h>

#include "tests/pipeline/BatchFakes.h"
#include "tests/support/EventLoop.h"

using namespace std::chrono_literals;

namespace qm::test {
namespace {

struct Batch
{
    explicit Batch(int rows, bool autoFinish = true)
    {
        settings.set("set", "outputfolder", "0");
        runner.autoFinish = autoFinish;
        for (int i = 1; i <= rows; ++i)
            list.appendUrl(QStringLiteral("page%1").arg(i), "PNG");
    }
    bool runToIdle(std::chrono::milliseconds limit = 5s) { return waitForSignal(&driver, &BatchDriver::idle, limit); }
    QStringList statuses() const
    {
        QStringList out;
        for (int i = 0; i < list.rowCount(); ++i)
            out.append(list.status(i));
        return out;
    }
    MemorySettings settings;
    UrlListModel list;
    BatchState state;
    RecordingView view;
    FakeRunner runner;
    BatchDriver driver { list, state, view, runner, settings, QStringLiteral("/home/app") };
};

// Runs the loop until the driver has handed `count` pages to the runner.
bool waitForCalls(Batch& batch, int count)
{
    if (batch.runner.calls.size() >= count)
        return true;
    LoopRunner loop;
    batch.runner.onConvert = [&] {
        if (batch.runner.calls.size() >= count)
            loop.done();
    };
    const bool ok = loop.run(5s);
    batch.runner.onConvert = {};
    return ok;
}

struct ProgressCase
{
    const char* name;
    int rows;
    QList<int> afterRows;
};

class BatchProgress : public ::testing::TestWithParam<ProgressCase>
{
};

TEST_P(BatchProgress, AddsShareOfRowsTiesToEvenThenHundredThenZero)
{
    const ProgressCase& c = GetParam();
    Batch batch(c.rows);
    batch.driver.startBatch();
    ASSERT_TRUE(batch.runToIdle());
    QList<int> expected { 0 };
    expected += c.afterRows;
    expected += { 100, 0 };
    EXPECT_EQ(batch.view.progressValues, expected);
    EXPECT_EQ(batch.statuses(), QStringList(c.rows, "OK"));
}

TEST(BatchDriver, LowMemoryHoldsFurtherPagesUntilOneFinishes)
{
    Batch batch(4);
    batch.settings.set("set", "jobs", "4");
    batch.driver.setFreeMemory([] { return qint64(300) << 20; });
    batch.driver.startBatch();
    ASSERT_TRUE(batch.runToIdle());
    EXPECT_EQ(batch.runner.mostAtOnce, 1);
    EXPECT_EQ(batch.statuses(), QStringList(4, "OK"));
}

INSTANTIATE_TEST_SUITE_P(Rows, BatchProgress,
    ::testing::Values(ProgressCase { "three", 3, { 33, 66, 99 } },
        ProgressCase { "seven", 7, { 14, 28, 42, 56, 70, 84, 98 } },
        ProgressCase { "eight_ties_to_even", 8, { 12, 24, 36, 48, 60, 72, 84, 96 } },
        ProgressCase { "one", 1, { 100 } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BatchDriver, OneJobRunsRowsInOrderOneAtATimeAndCompletes)
{
    Batch batch(3);
    batch.driver.startBatch();
    EXPECT_TRUE(batch.state.running);
    ASSERT_TRUE(batch.runToIdle());

    EXPECT_EQ(batch.runner.mostAtOnce, 1);
    ASSERT_EQ(batch.runner.calls.size(), 3);
    EXPECT_EQ(batch.runner.calls[0].address, "page1");
    EXPECT_EQ(batch.runner.calls[2].address, "page3");
    EXPECT_EQ(batch.view.entries("caption "),
        QStringList({ "Processing page1", "Processing page2", "Processing page3", "Status" }));
    EXPECT_EQ(batch.view.entries("information "), QStringList { "Conversion completed!" });
    // The folder opens after the message, the app home standing for "0".
    const qsizetype message = batch.view.events.indexOf("information Conversion completed!");
    EXPECT_GT(batch.view.events.indexOf("open /home/app"), message);
    EXPECT_EQ(batch.view.events.first(), "panel shown");
    EXPECT_FALSE(batch.state.running);
    EXPECT_FALSE(batch.state.cancelRequested);
    EXPECT_EQ(batch.state.rowCursor, 4);
    // The page time limit comes from the settings, 60 s when missing.
    EXPECT_EQ(batch.runner.calls[0].limit, 60s);
}

TEST(BatchDriver, EmptyListDoesNothing)
{
    Batch batch(0);
    batch.driver.startBatch();
    EXPECT_FALSE(batch.state.running);
    EXPECT_TRUE(batch.view.events.isEmpty());
}

TEST(BatchDriver, FailedRowKeepsItsReasonAndTheBatchGoesOn)
{
    Batch batch(3, false);
    batch.driver.startBatch();
    ASSERT_TRUE(waitForCalls(batch, 1));
    batch.runner.finish(batch.runner.inFlight().first(), fail(Error::Code::Navigation, "connection refused"));
    ASSERT_TRUE(waitForCalls(batch, 2));
    EXPECT_EQ(batch.list.status(0), "Failed");
    EXPECT_EQ(batch.list.reason(0), "connection refused");
    EXPECT_EQ(batch.list.status(1), "Processing");
    batch.runner.autoFinish = true;
    batch.runner.finish(batch.runner.inFlight().first(), QStringLiteral("/out/2"));
    // The third row is issued by the driver after the second finishes; autoFinish answers it.
    ASSERT_TRUE(batch.runToIdle());
    EXPECT_EQ(batch.statuses(), QStringList({ "Failed", "OK", "OK" }));
    EXPECT_EQ(batch.view.progressValues.mid(0, 4), QList<int>({ 0, 33, 66, 99 }));
    // The end message does not call a batch with a failure simply completed.
    EXPECT_EQ(batch.view.entries("information "),
        QStringList { "Conversion completed: 2 converted, 1 failed\n\npage1: connection refused" });
}

TEST(BatchDriver, FailedPageIsTriedAgainAfterItsPauseWhileTheBatchGoesOn)
{
    Batch batch(0, false);
    batch.settings.set("set", "retries", "2");
    batch.list.appendUrl("http://a/", "PNG");
    batch.list.appendUrl("http://b/", "PNG");
    QList<int> tries;
    QObject::connect(&batch.driver, &BatchDriver::pageFinished,
        [&](UrlListModel::RowId, const QString&, const PageOutcome&, int count) { tries.append(count); });
    batch.driver.startBatch();
    ASSERT_TRUE(waitForCalls(batch, 1));
    batch.runner.finish(batch.runner.inFlight().first(), fail(Error::Code::Navigation, "the connection was refused"));
    ASSERT_TRUE(waitForCalls(batch, 2));
    EXPECT_EQ(batch.runner.calls[1].address, "http://b/") << "the next row does not wait for the pause";
    EXPECT_EQ(batch.list.status(0), "Processing");
    EXPECT_EQ(batch.list.reason(0), "try 2 of 3 in 1 s: the connection was refused");
    batch.runner.finish(batch.runner.inFlight().first(), QStringLiteral("/out/b"));
    ASSERT_TRUE(waitForCalls(batch, 3));
    EXPECT_EQ(batch.runner.calls[2].address, "http://a/");
    batch.runner.finish(batch.runner.inFlight().first(), QStringLiteral("/out/a"));
    ASSERT_TRUE(batch.runToIdle());
    EXPECT_EQ(batch.statuses(), QStringList({ "OK", "OK" }));
    EXPECT_EQ(tries, QList<int>({ 1, 2 }));
}

// The runner holds each page to its time limit (BatchPipeline, PageTimeLimit): the batch has no timer of
// its own and leaves a slow page alone, while the rest convert.
TEST(BatchDriver, SlowPageIsLeftToTheRunnerWhileTheRestConvert)
{
    Batch batch(3);
    batch.settings.set("set", "timeout", "1");
    batch.settings.set("set", "jobs", "2");
    batch.runner.neverFinish = { "page2" };
    batch.driver.setFreeMemory([] { return qint64(0); }); // unknown: pages start as jobs allow
    int finished = 0;
    LoopRunner loop;
    QObject::connect(&batch.driver, &BatchDriver::pageFinished, [&] {
        if (++finished == 2)
            loop.done();
    });
    batch.driver.startBatch();
    ASSERT_TRUE(loop.run(5s));
    EXPECT_EQ(batch.statuses(), QStringList({ "OK", "Processing", "OK" }));
    EXPECT_TRUE(batch.runner.abandoned.isEmpty());
    EXPECT_EQ(batch.runner.calls[1].limit, 1s);
    batch.runner.finish(
        batch.runner.calls[1].ticket, fail(Error::Code::Timeout, "the page did not finish loading within 1 s"));
    ASSERT_TRUE(batch.runToIdle());
    EXPECT_EQ(batch.statuses(), QStringList({ "OK", "Failed", "OK" }));
    EXPECT_EQ(batch.list.reason(1), "the page did not finish loading within 1 s");
}

TEST(BatchDriver, PageTimeLimitOutOfRangeIsTakenAsTheNearestEnd)
{
    // 3,000,000 s would overflow a timer's milliseconds and switch the limit off: it is held to a day.
    const struct
    {
        const char* stored;
        std::chrono::seconds limit;
    } cases[] = { { "3000000", 86400s }, { "1e300", 86400s }, { "-5", 60s }, { "0.2", 1s } };
    for (const auto& c : cases) {
        Batch batch(1);
        batch.settings.set("set", "timeout", c.stored);
        batch.driver.startBatch();
        ASSERT_TRUE(waitForCalls(batch, 1));
        EXPECT_EQ(batch.runner.calls[0].limit, c.limit) << c.stored;
        ASSERT_TRUE(batch.runToIdle());
    }
}

TEST(BatchDriver, CancelInTheMiddleStopsIssuingAndLateCompletionMarksOk)
{
    Batch batch(3, false);
    batch.driver.startBatch();
    ASSERT_TRUE(waitForCalls(batch, 1));
    batch.runner.finish(batch.runner.inFlight().first(), QStringLiteral("/out/1"));
    ASSERT_TRUE(waitForCalls(batch, 2));
    ASSERT_EQ(batch.runner.calls.size(), 2);
    ASSERT_EQ(batch.view.progress(), 33);

    batch.driver.cancelBatch();
    EXPECT_TRUE(batch.state.cancelRequested);
    EXPECT_EQ(batch.statuses(), QStringList({ "OK", "Cancel", "" }));
    ASSERT_TRUE(batch.runToIdle());
    EXPECT_EQ(batch.view.entries("error "), QStringList { "Conversion Canceled by the user!" });
    EXPECT_EQ(batch.view.progress(), 0);
    EXPECT_EQ(batch.view.events.last(), "caption Status");
    EXPECT_TRUE(batch.view.events.contains("panel hidden"));
    EXPECT_TRUE(batch.view.entries("information ").isEmpty());
    EXPECT_TRUE(batch.view.entries("open ").isEmpty());
    EXPECT_FALSE(batch.state.running);
    EXPECT_TRUE(batch.state.cancelRequested); // stays set until the next start

    // The page that was loading still finishes: its row turns "OK" and the bar moves on from 0.
    LoopRunner loop;
    QObject::connect(&batch.driver, &BatchDriver::pageFinished, [&] { loop.done(); });
    batch.runner.finish(batch.runner.inFlight().first(), QStringLiteral("/out/2"));
    ASSERT_TRUE(loop.run(5s));
    EXPECT_EQ(batch.statuses(), QStringList({ "OK", "OK", "" }));
    EXPECT_EQ(batch.view.progress(), 33);
    EXPECT_EQ(batch.runner.calls.size(), 2);

    batch.driver.statusTextChanged("Done");
    EXPECT_EQ(batch.view.labels, "User cancel");
}

TEST(BatchDriver, CancelSilentlyShowsNoMessage)
{
    Batch batch(2, false);
    batch.driver.startBatch();
    ASSERT_TRUE(waitForCalls(batch, 1));
    batch.driver.cancelBatchSilently();
    ASSERT_TRUE(batch.runToIdle());
    EXPECT_TRUE(batch.view.entries("error ").isEmpty());
    EXPECT_EQ(batch.statuses(), QStringList({ "Cancel", "" }));
    EXPECT_EQ(batch.view.progress(), 0);
    batch.driver.abandonPagesInFlight();
    EXPECT_EQ(batch.runner.abandoned.size(), 1);
}

TEST(BatchDriver, CancelWithoutBatchMarksRowBeforeCursorAndLabelsFollow)
{
    Batch batch(2);
    batch.driver.statusTextChanged("Loading");
    EXPECT_EQ(batch.view.labels, "Loading");
    batch.driver.startBatch();
    ASSERT_TRUE(batch.runToIdle());
    batch.driver.cancelBatch();
    EXPECT_EQ(batch.statuses(), QStringList({ "OK", "Cancel" }));
    batch.view.labels.clear();
    batch.driver.newWindowRequested();
    EXPECT_EQ(batch.view.labels, "User cancel");
    // The next start clears the flag.
    batch.driver.startBatch();
    EXPECT_FALSE(batch.state.cancelRequested);
    ASSERT_TRUE(batch.runToIdle());
}

TEST(BatchDriver, ConvertNowDuringBatchOpensFolderAndBatchCarriesOn)
{
    Batch batch(2, false);
    batch.driver.startBatch();
    ASSERT_TRUE(waitForCalls(batch, 1));
    batch.driver.startBatch();
    EXPECT_EQ(batch.view.events.mid(batch.view.events.size() - 2), QStringList({ "panel hidden", "open /home/app" }));
    batch.runner.autoFinish = true;
    batch.runner.finish(batch.runner.inFlight().first(), QStringLiteral("/out/1"));
    ASSERT_TRUE(batch.runToIdle());
    EXPECT_EQ(batch.runner.calls.size(), 2);
    EXPECT_EQ(batch.view.entries("information "), QStringList { "Conversion completed!" });
}

TEST(BatchDriver, EachPageMarksItsOwnRowWhereverItMoved)
{
    Batch batch(3, false);
    batch.settings.set("set", "jobs", "2");
    batch.driver.startBatch();
    ASSERT_TRUE(waitForCalls(batch, 2));
    const auto first = batch.runner.calls[0].ticket;
    const auto second = batch.runner.calls[1].ticket;
    batch.list.removeUrl(0); // page1's row goes; page2's row moves up
    batch.runner.finish(second, QStringLiteral("/out/2"));
    batch.runner.finish(first, fail(Error::Code::Io, "gone"));
    batch.runner.autoFinish = true;
    ASSERT_TRUE(batch.runToIdle());
    EXPECT_EQ(batch.list.address(0), "page2");
    EXPECT_EQ(batch.list.status(0), "OK");
    EXPECT_EQ(batch.list.reason(0), "");
}

// A warning every page carries is said once per batch, and the rows stay OK; the end message repeats it.
TEST(BatchDriver, PageWarningIsSaidOncePerBatch)
{
    Batch batch(3);
    batch.runner.warning = QStringLiteral("the watermark picture /x.png does not exist");
    QStringList warned;
    QObject::connect(&batch.driver, &BatchDriver::warned, [&](const QString& text) { warned.append(text); });
    for (int run = 1; run <= 2; ++run) {
        batch.driver.startBatch();
        ASSERT_TRUE(batch.runToIdle());
        EXPECT_EQ(warned, QStringList(run, batch.runner.warning));
        EXPECT_EQ(batch.statuses(), QStringList(3, "OK"));
        EXPECT_EQ(batch.view.entries("information ").last(),
            "Conversion completed!\n\nThe watermark picture /x.png does not exist.");
    }
}

TEST(BatchDriver, ModalWindowHoldsNewRows)
{
    Batch batch(2, false);
    batch.driver.startBatch();
    ASSERT_TRUE(waitForCalls(batch, 1));
    batch.view.holding = true;
    batch.runner.finish(batch.runner.inFlight().first(), QStringLiteral("/out/1"));
    LoopRunner finished;
    QObject::connect(&batch.driver, &BatchDriver::pageFinished, [&] { finished.done(); });
    ASSERT_TRUE(finished.run(5s));
    EXPECT_EQ(batch.runner.calls.size(), 1);
    EXPECT_TRUE(batch.state.browserReady);
    batch.view.holding = false;
    batch.runner.autoFinish = true;
    batch.driver.nudge();
    ASSERT_TRUE(batch.runToIdle());
    EXPECT_EQ(batch.runner.calls.size(), 2);
}

class BatchJobs : public ::testing::TestWithParam<int>
{
};

TEST_P(BatchJobs, RunsThatManyAtOnceAndEveryRowOnce)
{
    const int jobs = GetParam();
    Batch batch(9);
    batch.settings.set("set", "jobs", QString::number(jobs));
    batch.driver.startBatch();
    ASSERT_TRUE(batch.runToIdle());
    EXPECT_EQ(batch.runner.mostAtOnce, jobs);
    QStringList addresses;
    for (const auto& call : batch.runner.calls)
        addresses.append(call.address);
    addresses.sort();
    EXPECT_EQ(
        addresses, QStringList({ "page1", "page2", "page3", "page4", "page5", "page6", "page7", "page8", "page9" }));
    EXPECT_EQ(batch.statuses(), QStringList(9, "OK"));
    EXPECT_EQ(batch.view.entries("information ").size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Parallel, BatchJobs, ::testing::Values(1, 2, 4));

} // namespace
} // namespace qm::test
