// Jobs written straight onto the stream by someone who is not submit: the worker decides what they may
// touch, and a job it refuses fails alone, with the reason in its result.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QUrl>

#include <gtest/gtest.h>

#include "tests/queue/QueueFixture.h"
#include "tests/support/ProgramRun.h"

namespace qm::test {
namespace {

using queue::Fields;

class QueueTrust : public QueueCase
{
protected:
    static Fields job(const QByteArray& batch, int index, const QString& address, const QString& name,
        const QJsonObject& set = {}, const QByteArray& stream = "quillmark")
    {
        QJsonObject withFormat = set;
        withFormat.insert("outputformat", "PNG");
        const QJsonObject sections { { "set", withFormat } };
        return { { "batch", batch }, { "index", QByteArray::number(index) }, { "address", address.toUtf8() },
            { "name", name.toUtf8() }, { "results", stream + ":results:" + batch },
            { "settings", QJsonDocument(sections).toJson(QJsonDocument::Compact) } };
    }
    void add(const Fields& fields, const QByteArray& stream = "quillmark")
    {
        const auto added = send(queue::AddCommand(stream, fields));
        ASSERT_TRUE(added.has_value()) << added.error().message.toStdString();
    }
    // The results of a batch by page number, once there are `count` of them.
    QHash<int, Fields> results(const QByteArray& batch, int count, const QByteArray& stream = "quillmark")
    {
        QHash<int, Fields> byIndex;
        for (const auto& entry : entriesOnce(stream + ":results:" + batch, count, std::chrono::minutes(3)))
            byIndex.insert(entry.fields.value("index").toInt(), entry.fields);
        return byIndex;
    }
    static QString fileAddress(const QString& path) { return QUrl::fromLocalFile(path).toString(); }
    static QStringList everythingUnder(const QString& folder)
    {
        QStringList found;
        QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
            QDirIterator::Subdirectories);
        while (it.hasNext())
            found.append(it.next());
        return found;
    }
};

TEST_F(QueueTrust, OutputFoldersAndNamesLeavingTheRootFailAndWriteNothing)
{
    const QString root = dir.filePath("root");
    const QString outside = dir.filePath("outside");
    ASSERT_TRUE(QDir().mkpath(root) && QDir().mkpath(outside));
    ASSERT_TRUE(QFile::link(outside, root + "/escape"));
    server.page("/page", "<html><h1>page</h1></html>");
    const QString page = server.url("/page");
    const QList<QPair<QString, QString>> hostile { // output folder, file name
        { outside, "absolute" }, { "../outside", "up" }, { "", "a/../../outside/b" }, { "escape", "linked" },
        { root + "/escape/deeper", "below-the-link" }
    };
    for (int i = 0; i < hostile.size(); ++i)
        add(job("h", i, page, hostile[i].second, { { "outputfolder", hostile[i].first } }));
    add(job("h", 5, page, "good", { { "outputfolder", "fine" } }));
    worker("w", { "--output-root", root });

    const auto result = results("h", 6);
    ASSERT_EQ(result.size(), 6);
    for (int i = 0; i < hostile.size(); ++i) {
        const QByteArray reason = result[i].value("reason");
        EXPECT_STREQ(result[i].value("status").constData(), "failed") << i;
        EXPECT_TRUE(reason.contains(i == 2 ? "is not a name in its output folder" : "outside the worker's output root"))
            << i << ": " << reason.constData();
    }
    EXPECT_STREQ(result[5].value("status").constData(), "ok") << result[5].value("reason").constData();
    const QFileInfo good(QString::fromUtf8(result[5].value("output")));
    EXPECT_TRUE(good.isFile());
    EXPECT_EQ(good.absolutePath(), QFileInfo(root).canonicalFilePath() + "/fine");
    EXPECT_EQ(everythingUnder(outside), QStringList());
    EXPECT_EQ(server.hits("/page"), 1); // a refused job is never loaded
}

// A local page reads under the worker's --allow-files only; the job's own allowfiles narrows that and
// never widens it, and a link inside an allowed folder does not lead out of it.
TEST_F(QueueTrust, LocalFilesAreReadOnlyUnderTheWorkersAllowedFolders)
{
    const QString pages = dir.filePath("pages");
    const QString secret = dir.filePath("secret");
    ASSERT_TRUE(QDir().mkpath(pages) && QDir().mkpath(secret));
    QImage picture(200, 200, QImage::Format_RGB32);
    picture.fill(qRgb(0, 200, 0));
    ASSERT_TRUE(picture.save(pages + "/picture.png"));
    const auto write = [](const QString& path, const QByteArray& text) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
    };
    ASSERT_TRUE(write(secret + "/secret.html", "<!doctype html><body style='margin:0;background:rgb(220,0,0)'>secret"));
    ASSERT_TRUE(write(pages + "/page.html",
        "<!doctype html><body style='margin:0;background:white'><img src='picture.png' style='display:block'>"
        "<iframe src='"
            + QUrl::fromLocalFile(secret + "/secret.html").toEncoded()
            + "' style='display:block;border:0;width:300px;height:200px'></iframe>"));
    ASSERT_TRUE(QFile::link(secret + "/secret.html", pages + "/link.html"));

    worker("bare", { "--stream", "bare" });
    add(job("f", 0, "file:///etc/passwd", "passwd", {}, "bare"), "bare");
    worker("reader", { "--allow-files", pages });
    add(job("f", 0, "file:///etc/passwd", "passwd"));
    add(job("f", 1, fileAddress(pages + "/link.html"), "link"));
    add(job("f", 2, fileAddress(pages + "/page.html"), "page", { { "allowfiles", pages + ";" + secret } }));

    const auto bare = results("f", 1, "bare");
    ASSERT_EQ(bare.size(), 1);
    EXPECT_STREQ(bare[0].value("status").constData(), "failed");
    EXPECT_TRUE(bare[0].value("reason").contains("local files are not allowed on this worker"))
        << bare[0].value("reason").constData();
    const auto result = results("f", 3);
    ASSERT_EQ(result.size(), 3);
    for (int i : { 0, 1 }) {
        EXPECT_STREQ(result[i].value("status").constData(), "failed") << i;
        EXPECT_TRUE(result[i].value("reason").contains("outside the folders this worker lets jobs read"))
            << result[i].value("reason").constData();
    }
    ASSERT_STREQ(result[2].value("status").constData(), "ok") << result[2].value("reason").constData();
    const QImage shot(QString::fromUtf8(result[2].value("output")));
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.pixel(100, 100), qRgb(0, 200, 0)) << "the picture beside the page is missing";
    EXPECT_NE(shot.pixel(100, 300), qRgb(220, 0, 0)) << "the page read a file outside the worker's folders";
    EXPECT_EQ(outputs(), QStringList { "page.png" });
}

// QUILLMARK_AUTH goes to the --auth-host hosts alone; a worker without any does not use it and says so.
TEST_F(QueueTrust, CredentialsGoOnlyToTheAuthHosts)
{
    for (const char* path : { "/trusted", "/hostile", "/unnamed" })
        server.route(path, TestServer::Route { .body = "<!doctype html><p>private", .basicAuth = "reader:right" });
    const QStringList credentials { "QUILLMARK_AUTH=reader:right" };
    worker("named", { "--auth-host", "LOCALHOST" }, credentials);
    QProcess& unnamed = worker("unnamed", { "--stream", "plain" }, credentials);
    add(job("a", 0, QStringLiteral("http://localhost:%1/trusted").arg(server.port()), "trusted"));
    add(job("a", 1, server.url("/hostile"), "hostile"));
    add(job("a", 0, server.url("/unnamed"), "unnamed", {}, "plain"), "plain");

    const auto result = results("a", 2);
    ASSERT_EQ(result.size(), 2);
    EXPECT_STREQ(result[0].value("status").constData(), "ok") << result[0].value("reason").constData();
    EXPECT_TRUE(server.lastRequest("/trusted").contains("\r\nAuthorization: Basic"));
    EXPECT_STREQ(result[1].value("status").constData(), "failed");
    EXPECT_TRUE(result[1].value("reason").contains("401")) << result[1].value("reason").constData();
    EXPECT_FALSE(server.lastRequest("/hostile").isEmpty());
    EXPECT_FALSE(server.lastRequest("/hostile").contains("Authorization"));

    ASSERT_STREQ(results("a", 1, "plain").value(0).value("status").constData(), "failed");
    EXPECT_FALSE(server.lastRequest("/unnamed").contains("Authorization"));
    unnamed.terminate();
    ASSERT_TRUE(finish(unnamed, std::chrono::seconds(60)));
    EXPECT_EQ(unnamed.readAllStandardError().count("QUILLMARK_AUTH is set, but no --auth-host"), 1);
}

// Entries of the wrong type or size each fail their job (or, without a batch to tell, are dropped); the
// worker goes on and converts the next sound job.
TEST_F(QueueTrust, MalformedJobsFailAloneAndTheNextJobIsConverted)
{
    server.page("/good", "<html><h1>good</h1></html>");
    const QString good = server.url("/good");
    Fields notAnObject = job("m", 0, good, "settings");
    notAnObject["settings"] = "[1, 2]";
    Fields noNumber = job("m", 1, good, "index");
    noNumber["index"] = "first";
    Fields huge = job("m", 2, good, "huge");
    huge["settings"] = QByteArray(50 * 1024 * 1024, ' ') + "{}";
    Fields elsewhere = job("m", 3, good, "elsewhere");
    elsewhere["results"] = "elsewhere";
    Fields noBatch = job("m", 5, good, "nobatch");
    noBatch["batch"] = "m:../x";
    for (const Fields& fields : { notAnObject, noNumber, huge, elsewhere, job("m", 4, "javascript:alert(1)", "script"),
             noBatch, job("m", 6, good, "good") })
        add(fields);
    QProcess& w = worker("w");

    const auto result = results("m", 6);
    ASSERT_EQ(result.size(), 6);
    const QList<QPair<int, QByteArray>> reasons { { 0, "settings are not sections" }, { -1, "is not a page number" },
        { 2, "bytes" }, { 3, "is not its batch's" }, { 4, "no page address" } };
    for (const auto& [index, reason] : reasons) {
        EXPECT_STREQ(result[index].value("status").constData(), "failed") << index;
        EXPECT_TRUE(result[index].value("reason").contains(reason)) << result[index].value("reason").constData();
    }
    EXPECT_STREQ(result[6].value("status").constData(), "ok") << result[6].value("reason").constData();
    EXPECT_EQ(server.hits("/good"), 1);
    EXPECT_EQ(redis.cli({ "EXISTS", "elsewhere" }).trimmed(), "0");
    EXPECT_TRUE(waitUntil(
        [&] {
            return redis.cli({ "XLEN", "quillmark" }).trimmed() == "0";
        },
        std::chrono::minutes(1)))
        << "entries left on the stream";
    EXPECT_EQ(w.state(), QProcess::Running);
}

// A Redis whose memory is full refuses a batch whole: no jobs without a batch, no batch waiting for
// jobs that never went in.
TEST_F(QueueTrust, ABatchRedisRefusesLeavesNothingBehind)
{
    const QByteArray memory = redis.cli({ "INFO", "memory" });
    const qsizetype at = memory.indexOf("used_memory:");
    ASSERT_GE(at, 0);
    const qint64 used = memory.mid(at + 12, memory.indexOf('\r', at) - at - 12).toLongLong();
    ASSERT_GT(used, 0);
    redis.cli({ "CONFIG", "SET", "maxmemory-policy", "noeviction" });
    redis.cli({ "CONFIG", "SET", "maxmemory", QString::number(used + 256 * 1024) });
    QStringList addresses;
    for (int i = 0; i < 500; ++i)
        addresses.append(QStringLiteral("http://127.0.0.1:9/page-%1").arg(i));

    QProcess& submitter = submit(addresses);
    ASSERT_TRUE(finish(submitter, std::chrono::minutes(2)));
    EXPECT_EQ(submitter.exitCode(), 2);
    const QByteArray err = submitter.readAllStandardError();
    EXPECT_TRUE(err.contains("cannot add the batch's jobs") && err.contains("maxmemory")) << err.constData();
    EXPECT_EQ(redis.cli({ "XLEN", "quillmark" }).trimmed(), "0");
    EXPECT_EQ(redis.cli({ "ZCARD", "quillmark:batches" }).trimmed(), "0");
    EXPECT_EQ(redis.cli({ "KEYS", "quillmark:batch:*" }).trimmed(), "");
}

TEST_F(QueueTrust, SubmitWaitNoticesABatchTheQueueLost)
{
    QProcess& submitter = submit({ "--wait", "-q", server.url("/never") });
    ASSERT_TRUE(waitUntil(
        [&] {
            return redis.cli({ "ZCARD", "quillmark:batches" }).trimmed() == "1";
        },
        std::chrono::minutes(1)));
    const QByteArray id = redis.cli({ "ZRANGE", "quillmark:batches", "0", "-1" }).trimmed();
    // Restarted without its data, as a Redis without persistence comes back.
    redis.cli({ "FLUSHALL" });
    redis.stop();
    ASSERT_TRUE(redis.start());

    ASSERT_TRUE(finish(submitter, std::chrono::minutes(1)));
    EXPECT_EQ(submitter.exitCode(), 1);
    EXPECT_TRUE(submitter.readAllStandardError().contains(
        "quillmark submit: the queue lost batch " + id + " (was Redis restarted without persistence?)\n"));
}

TEST_F(QueueTrust, AWorkerThatCannotMakeItsConsumerGroupEndsWithStatus2)
{
    redis.cli({ "SET", "quillmark", "x" });
    const ProgramRun run = RunProgram(
        { "worker", "--queue", redis.url(), "--home", dir.filePath("w"), "--output-root", out() }, redis.environment());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("cannot create the consumer group") && run.err.contains("WRONGTYPE"))
        << run.err.constData();
}

} // namespace
} // namespace qm::test
