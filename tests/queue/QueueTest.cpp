#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "tests/queue/QueueFixture.h"
#include "tests/support/EventLoop.h"
#include "tests/support/HeadPipe.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestServer.h"

namespace qm::test {
namespace {

TEST_F(QueueCase, TwoWorkersWriteEveryPageOnceAndFailAStalledPageOnce)
{
    const QStringList addresses = pages("p", 40);
    server.stall("/stall");
    worker("w1");
    worker("w2");
    QProcess& submitter = submit(
        QStringList { "--wait", "--json", "--timeout", "15" } + addresses + QStringList { server.url("/stall") });
    ASSERT_TRUE(finish(submitter, std::chrono::minutes(4)));
    EXPECT_EQ(submitter.exitCode(), 1) << submitter.readAllStandardError().constData();

    const auto results = rows(submitter);
    ASSERT_EQ(results.size(), 41);
    QStringList written;
    for (const QString& address : addresses) {
        const QJsonObject row = results.value(address);
        EXPECT_EQ(row.value("status").toString(), "OK")
            << address.toStdString() << row.value("reason").toString().toStdString();
        written.append(QFileInfo(row.value("output").toString()).fileName());
    }
    written.sort();
    QStringList files = outputs();
    files.sort();
    EXPECT_EQ(files, written); // one file per page, nothing else left in the folder
    EXPECT_EQ(written.removeDuplicates(), 0);

    const QJsonObject stalled = results.value(server.url("/stall"));
    EXPECT_EQ(stalled.value("status").toString(), "Failed");
    // The runner's one wording of the time limit, as the batch's rows and the schedule have it.
    EXPECT_EQ(stalled.value("reason").toString(), "the page did not finish loading within 15 s");
    EXPECT_EQ(server.hits("/stall"), 1); // failed, not handed to another worker
    EXPECT_TRUE(status().contains("41 pages, 0 pending, 40 done, 1 failed")) << status().constData();
}

// The submitter that follows the batch writes its report, with the rows convert --report writes.
TEST_F(QueueCase, SubmitWaitReportHoldsARowPerPageAsItsResultsArrive)
{
    const ProgramRun unfollowed
        = RunProgram({ "submit", "--queue", redis.url(), "--report", server.url("/none") }, redis.environment());
    EXPECT_EQ(unfollowed.exitCode, 2);
    EXPECT_TRUE(unfollowed.err.contains("--report needs --wait")) << unfollowed.err.constData();
    EXPECT_EQ(redis.cli({ "XLEN", "quillmark" }).trimmed(), "0"); // refused before anything went in

    const QStringList addresses = pages("r", 2);
    server.route("/gone", TestServer::Route { .status = 404, .body = "<html><h1>gone</h1></html>" });
    worker("w");
    QProcess& submitter
        = submit(QStringList { "--wait", "-q", "--report" } + addresses + QStringList { server.url("/gone") });
    ASSERT_TRUE(finish(submitter, std::chrono::minutes(3)));
    EXPECT_EQ(submitter.exitCode(), 1) << submitter.readAllStandardError().constData();

    const QJsonObject report = QJsonDocument::fromJson(ReadAll(out() + "/report.json")).object();
    EXPECT_TRUE(report["finished"].toBool());
    EXPECT_TRUE(QFileInfo(out() + "/report.html").isFile());
    const QJsonArray rows = report["rows"].toArray();
    ASSERT_EQ(rows.size(), 3);
    for (int i = 0; i < 2; ++i) {
        const QJsonObject row = rows[i].toObject();
        EXPECT_EQ(row["address"].toString(), addresses[i]);
        EXPECT_EQ(row["status"].toString(), "OK") << row["reason"].toString().toStdString();
        EXPECT_EQ(row["finalAddress"].toString(), addresses[i]);
        EXPECT_EQ(row["title"].toString(), QStringLiteral("/r%1").arg(i));
        EXPECT_EQ(row["httpStatus"].toInt(), 200);
        EXPECT_EQ(row["tries"].toInt(), 1);
        EXPECT_GT(row["width"].toInt(), 0);
        const QFileInfo output(out() + "/" + row["output"].toString());
        EXPECT_TRUE(output.isFile()) << output.filePath().toStdString();
        EXPECT_EQ(row["bytes"].toInteger(), output.size());
        EXPECT_TRUE(QFileInfo(out() + "/" + row["thumbnail"].toString()).isFile())
            << row["thumbnail"].toString().toStdString();
    }
    const QJsonObject gone = rows[2].toObject();
    EXPECT_EQ(gone["status"].toString(), "Failed");
    EXPECT_TRUE(gone["reason"].toString().startsWith("HTTP 404")) << gone["reason"].toString().toStdString();
    EXPECT_EQ(gone["httpStatus"].toInt(), 404);
    EXPECT_FALSE(gone.contains("output"));
}

// `submit --wait --json | head -0`: a result line that nobody reads ends the following, as convert's
// run ends (status 141), while the workers go on with the batch.
TEST_F(QueueCase, SubmitWaitWhoseOutputIsClosedStopsFollowingWith141)
{
    const QStringList addresses = pages("c", 1);
    server.stall("/never");
    QProcess& converting = worker("w", { "-j", "2" });
    std::unique_ptr<HeadPipe> head;
    QProcess& submitter = submit(
        QStringList { "--wait", "--json", "--timeout", "600" } + addresses + QStringList { server.url("/never") },
        [&](QProcess& process) { head = std::make_unique<HeadPipe>(process, 0); });
    head->started();
    ASSERT_TRUE(finish(submitter, std::chrono::minutes(2))) << "submit went on following with its output closed";
    EXPECT_EQ(submitter.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(submitter.exitCode(), 141) << submitter.readAllStandardError().constData();
    converting.kill(); // it would wait out the stalled page's time limit
}

// One worker converts the jobs of two batches at once, each under its own batch's settings: its format
// and its time limit.
TEST_F(QueueCase, JobsOfTwoBatchesAtOnceKeepTheirOwnSettings)
{
    server.route("/slow", TestServer::Route { .body = "<html><h1>slow</h1></html>", .delayMs = 12000 });
    server.page("/quick", "<html><h1>quick</h1></html>");
    server.stall("/stall");
    worker("w", { "-j", "2" });
    QProcess& patient = submit({ "--wait", "--json", "--format", "PNG", "--timeout", "120", server.url("/slow") });
    ASSERT_TRUE(waitUntil([&] { return server.hits("/slow") >= 1; }, std::chrono::minutes(2)));
    QProcess& hasty = submit(
        { "--wait", "--json", "--format", "JPG", "--timeout", "10", server.url("/quick"), server.url("/stall") });
    ASSERT_TRUE(finish(hasty, std::chrono::minutes(2)));
    ASSERT_TRUE(finish(patient, std::chrono::minutes(2)));

    const QJsonObject slow = rows(patient).value(server.url("/slow"));
    EXPECT_EQ(slow.value("status").toString(), "OK") << slow.value("reason").toString().toStdString();
    EXPECT_TRUE(slow.value("output").toString().endsWith(".png")) << slow.value("output").toString().toStdString();
    const auto hastyRows = rows(hasty);
    const QJsonObject quick = hastyRows.value(server.url("/quick"));
    EXPECT_EQ(quick.value("status").toString(), "OK") << quick.value("reason").toString().toStdString();
    EXPECT_TRUE(quick.value("output").toString().endsWith(".jpg")) << quick.value("output").toString().toStdString();
    EXPECT_EQ(hastyRows.value(server.url("/stall")).value("reason").toString(),
        "the page did not finish loading within 10 s");
}

TEST_F(QueueCase, JobsOfAKilledWorkerAreTakenOverAfterTheIdleTime)
{
    server.route("/slow", TestServer::Route { .body = "<html><h1>slow</h1></html>", .delayMs = 3000 });
    const QStringList addresses = QStringList { server.url("/slow") } + pages("k", 4);
    QProcess& first = worker("first", { "--idle", "4" });
    QProcess& submitter = submit(QStringList { "--wait", "--json" } + addresses);
    ASSERT_TRUE(waitUntil([&] { return server.hits("/slow") >= 1; }, std::chrono::minutes(2)));
    ::kill(pid_t(first.processId()), SIGKILL);
    ASSERT_TRUE(finish(first, std::chrono::seconds(10)));
    QProcess& second = worker("second", { "--idle", "4" });

    ASSERT_TRUE(finish(submitter, std::chrono::minutes(3)));
    EXPECT_EQ(submitter.exitCode(), 0) << submitter.readAllStandardError().constData();
    const auto results = rows(submitter);
    ASSERT_EQ(results.size(), addresses.size());
    for (const QString& address : addresses)
        EXPECT_EQ(results.value(address).value("status").toString(), "OK") << address.toStdString();
    EXPECT_EQ(outputs().size(), addresses.size());
    second.terminate();
    ASSERT_TRUE(finish(second, std::chrono::seconds(60)));
    EXPECT_TRUE(second.readAllStandardError().contains("/slow: written"));
}

// At-least-once delivery: a worker still converting a page loses it to one that claims it after a short
// idle time, so the page is converted twice; it must still end as one file and one result.
TEST_F(QueueCase, AJobConvertedTwiceLeavesOneFile)
{
    server.route("/twice", TestServer::Route { .body = "<html><h1>twice</h1></html>", .delayMs = 12000 });
    worker("a", { "--idle", "1" });
    worker("b", { "--idle", "1" });
    ASSERT_TRUE(waitUntil(
        [&] {
            const QByteArray now = status();
            return now.contains("worker a") && now.contains("worker b");
        },
        std::chrono::minutes(2)));
    QProcess& submitter = submit({ "--wait", "--json", "--timeout", "60", server.url("/twice") });
    ASSERT_TRUE(finish(submitter, std::chrono::minutes(2)));
    EXPECT_EQ(submitter.exitCode(), 0) << submitter.readAllStandardError().constData();
    // Both workers hold the page in turn for a while; how often it changes hands depends on timing.
    EXPECT_GE(server.hits("/twice"), 2);
    EXPECT_EQ(rows(submitter).size(), 1);
    EXPECT_EQ(outputs().size(), 1) << outputs().join(' ').toStdString();
}

// A job whose every worker stopped before finishing it (a page that kills the machine, say) is handed out
// a few times, then failed with the reason instead of going round for ever.
TEST_F(QueueCase, AJobThatStoppedEveryWorkerIsFailedNotHandedOutForEver)
{
    server.page("/fatal", "<html><h1>fatal</h1></html>");
    QProcess& submitter = submit({ "--wait", "--json", server.url("/fatal") });
    ASSERT_TRUE(waitUntil(
        [&] {
            return redis.cli({ "XLEN", "quillmark" }).trimmed() == "1";
        },
        std::chrono::minutes(1)));
    // Three workers took it and vanished: one read, two take-overs.
    redis.cli({ "XGROUP", "CREATE", "quillmark", "quillmark", "0" });
    redis.cli({ "XREADGROUP", "GROUP", "quillmark", "gone1", "COUNT", "1", "STREAMS", "quillmark", ">" });
    const QByteArray id = redis.cli({ "XRANGE", "quillmark", "-", "+" }).split('\n').value(0).trimmed();
    redis.cli({ "XCLAIM", "quillmark", "quillmark", "gone2", "0", id });
    redis.cli({ "XCLAIM", "quillmark", "quillmark", "gone3", "0", id });

    worker("last", { "--idle", "1" });
    ASSERT_TRUE(finish(submitter, std::chrono::minutes(2)));
    EXPECT_EQ(submitter.exitCode(), 1);
    const QJsonObject row = rows(submitter).value(server.url("/fatal"));
    EXPECT_EQ(row.value("status").toString(), "Failed");
    EXPECT_TRUE(row.value("reason").toString().contains("given up after 3 attempts"))
        << row.value("reason").toString().toStdString();
    EXPECT_EQ(server.hits("/fatal"), 0);
    EXPECT_TRUE(outputs().isEmpty());
}

TEST_F(QueueCase, SigtermFinishesThePageInFlightAndTakesNoMore)
{
    server.route("/slow", TestServer::Route { .body = "<html><h1>slow</h1></html>", .delayMs = 4000 });
    server.page("/after", "<html><h1>after</h1></html>");
    QProcess& w = worker("w");
    QProcess& submitter = submit({ server.url("/slow"), server.url("/after") });
    ASSERT_TRUE(finish(submitter, std::chrono::seconds(60)));
    ASSERT_EQ(submitter.exitCode(), 0) << submitter.readAllStandardError().constData();
    ASSERT_TRUE(waitUntil([&] { return server.hits("/slow") >= 1; }, std::chrono::minutes(2)));

    w.terminate();
    ASSERT_TRUE(finish(w, std::chrono::seconds(60)));
    EXPECT_EQ(w.exitCode(), 0) << w.readAllStandardError().constData();
    EXPECT_EQ(outputs().size(), 1);
    EXPECT_EQ(server.hits("/after"), 0);
    EXPECT_TRUE(status().contains("2 pages, 1 pending, 1 done, 0 failed")) << status().constData();
}

TEST_F(QueueCase, RedisRestartedMidBatchLosesNoPage)
{
    const QStringList addresses = pages("r", 6, 1000);
    worker("w");
    QProcess& submitter = submit(QStringList { "--wait", "--json" } + addresses);
    ASSERT_TRUE(waitUntil([&] { return server.hits("/r1") >= 1; }, std::chrono::minutes(2)));
    redis.stop();
    ASSERT_TRUE(redis.start());

    ASSERT_TRUE(finish(submitter, std::chrono::minutes(3)));
    EXPECT_EQ(submitter.exitCode(), 0) << submitter.readAllStandardError().constData();
    const auto results = rows(submitter);
    ASSERT_EQ(results.size(), addresses.size());
    for (const QString& address : addresses)
        EXPECT_EQ(results.value(address).value("status").toString(), "OK") << address.toStdString();
    EXPECT_EQ(outputs().size(), addresses.size());
}

TEST_F(QueueCase, AWrongPasswordIsRefusedAndNoPasswordShowsInTheProcessList)
{
    const QString url = QStringLiteral("redis://:%1@127.0.0.1:%2");
    const ProgramRun refused = RunProgram({ "worker", "--queue", url.arg("not-the-password").arg(redis.port()),
        "--home", dir.filePath("refused"), "--output-root", out() });
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains("refused the password")) << refused.err.constData();
    EXPECT_FALSE(refused.err.contains("not-the-password"));

    QProcess& w = start({ "worker", "--queue", url.arg(redis.password()).arg(redis.port()), "--home", dir.filePath("w"),
                            "--name", "listed", "--output-root", out() },
        {});
    ASSERT_TRUE(waitUntil([&] { return status().contains("worker listed"); }, std::chrono::minutes(2)));
    const QByteArray commandLine = ReadAll(QStringLiteral("/proc/%1/cmdline").arg(w.processId()));
    EXPECT_TRUE(commandLine.contains("127.0.0.1")) << commandLine.constData();
    EXPECT_FALSE(commandLine.contains(redis.password().toUtf8())) << commandLine.constData();
}

// The one-machine example of the README: a worker and a submitter started in the same folder, the
// submitter's -o shots inside the worker's --output-root shots.
TEST_F(QueueCase, TheOneMachineExampleWritesIntoTheRelativeShotsFolder)
{
    const QString folder = dir.filePath("work");
    ASSERT_TRUE(QDir().mkpath(folder));
    server.page("/one", "<html><h1>one</h1></html>");
    start({ "worker", "--queue", redis.url(), "--home", dir.filePath("w"), "--output-root", "shots" },
        redis.environment(), folder);
    QProcess& submitter = start({ "submit", "--queue", redis.url(), "--home", dir.filePath("submitter"), "--wait",
                                    "--json", "-o", "shots", server.url("/one") },
        redis.environment(), folder);
    ASSERT_TRUE(finish(submitter, std::chrono::minutes(2)));
    EXPECT_EQ(submitter.exitCode(), 0) << submitter.readAllStandardError().constData();
    const QFileInfo written(rows(submitter).value(server.url("/one")).value("output").toString());
    EXPECT_EQ(written.absolutePath(), QFileInfo(folder + "/shots").canonicalFilePath());
    EXPECT_TRUE(written.isFile()) << written.filePath().toStdString();
}

} // namespace
} // namespace qm::test
