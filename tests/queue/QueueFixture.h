#pragma once

#include <QDir>
#include <QHash>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "queue/StreamEntries.h"
#include "tests/queue/RedisInstance.h"
#include "tests/support/TestServer.h"

namespace qm::test {

// Workers and submitters are the built program, against the test's own Redis and loopback pages.
// Workers write under out() unless a case gives them another --output-root.
class QueueCase : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // `prepare` runs before the process starts.
    QProcess& start(const QStringList& arguments, const QStringList& environment, const QString& workingFolder = {},
        const std::function<void(QProcess&)>& prepare = {});
    QProcess& worker(const QString& name, const QStringList& extra = {}, const QStringList& environment = {});
    QProcess& submit(const QStringList& arguments, const std::function<void(QProcess&)>& prepare = {});
    QByteArray status();

    static bool finish(QProcess& process, std::chrono::milliseconds limit);
    // Polls (with the event loop running, so the test's pages are served) until `condition` holds.
    static bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit);

    // One command over a connection of the test's own: entries no submitter would write, of any size.
    Result<queue::RedisReply> send(const QByteArrayList& command);
    // The entries of a stream, once it has `count` of them (none when it does not in time).
    QList<queue::StreamEntry> entriesOnce(const QByteArray& stream, int count, std::chrono::milliseconds limit);

    QString out() const { return dir.filePath("out"); }
    QStringList outputs() const { return QDir(out()).entryList(QDir::Files | QDir::Hidden); }
    // The submitter's --json lines, by address.
    static QHash<QString, QJsonObject> rows(QProcess& process);
    QStringList pages(const QString& prefix, int count, int delayMs = 0);

    RedisInstance redis;
    TestServer server;
    QTemporaryDir dir;
    std::vector<std::unique_ptr<QProcess>> processes;
};

} // namespace qm::test
