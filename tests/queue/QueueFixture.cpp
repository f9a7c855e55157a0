#include "tests/queue/QueueFixture.h"

#include <QDir>
#include <QTimer>

#include "queue/RedisConnection.h"
#include "tests/support/EventLoop.h"
#include "tests/support/ProgramRun.h"

namespace qm::test {

void QueueCase::SetUp()
{
    ASSERT_FALSE(Binary().isEmpty()) << "QUILLMARK_BINARY is not set";
    ASSERT_TRUE(redis.start()) << "redis-server did not start";
}

void QueueCase::TearDown()
{
    for (const auto& process : processes) {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!finish(*process, std::chrono::seconds(30)))
                process->kill();
            process->waitForFinished(5000);
        }
    }
}

QProcess& QueueCase::start(const QStringList& arguments, const QStringList& environment, const QString& workingFolder,
    const std::function<void(QProcess&)>& prepare)
{
    auto process = std::make_unique<QProcess>();
    if (prepare)
        prepare(*process);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : environment)
        env.insert(entry.section('=', 0, 0), entry.section('=', 1));
    process->setProcessEnvironment(env);
    if (!workingFolder.isEmpty())
        process->setWorkingDirectory(workingFolder);
    process->start(Binary(), arguments);
    processes.push_back(std::move(process));
    return *processes.back();
}

QProcess& QueueCase::worker(const QString& name, const QStringList& extra, const QStringList& environment)
{
    QStringList arguments { "worker", "--queue", redis.url(), "--home", dir.filePath(name), "--name", name };
    if (!extra.contains("--output-root"))
        arguments << "--output-root" << out();
    return start(arguments + extra, redis.environment() + environment);
}

QProcess& QueueCase::submit(const QStringList& arguments, const std::function<void(QProcess&)>& prepare)
{
    return start(
        QStringList { "submit", "--queue", redis.url(), "--home", dir.filePath("submitter"), "-o", out() } + arguments,
        redis.environment(), {}, prepare);
}

QByteArray QueueCase::status()
{
    return RunProgram({ "status", "--queue", redis.url() }, redis.environment()).out;
}

bool QueueCase::finish(QProcess& process, std::chrono::milliseconds limit)
{
    if (process.state() == QProcess::NotRunning)
        return true;
    LoopRunner loop;
    QObject::connect(&process, &QProcess::finished, [&loop] { loop.done(); });
    return loop.run(limit);
}

bool QueueCase::waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    LoopRunner loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (condition())
            loop.done();
    });
    poll.start(100);
    return condition() || loop.run(limit);
}

Result<queue::RedisReply> QueueCase::send(const QByteArrayList& command)
{
    queue::RedisAddress address;
    address.host = QStringLiteral("127.0.0.1");
    address.port = redis.port();
    address.password = redis.password();
    queue::RedisConnection connection(address);
    Result<queue::RedisReply> answer = fail(Error::Code::Timeout, QStringLiteral("no answer from the test's Redis"));
    LoopRunner loop;
    QObject::connect(&connection, &queue::RedisConnection::ready, [&] {
        connection.command(command, [&](Result<queue::RedisReply> reply) {
            answer = std::move(reply);
            loop.done();
        });
    });
    connection.open();
    (void)loop.run(std::chrono::seconds(60)); // the answer says whether it came
    return answer;
}

QList<queue::StreamEntry> QueueCase::entriesOnce(const QByteArray& stream, int count, std::chrono::milliseconds limit)
{
    if (!waitUntil([&] { return redis.cli({ "XLEN", stream }).trimmed().toInt() >= count; }, limit))
        return {};
    const auto answer = send({ "XRANGE", stream, "-", "+" });
    return answer ? queue::EntriesOf(*answer) : QList<queue::StreamEntry>();
}

QHash<QString, QJsonObject> QueueCase::rows(QProcess& process)
{
    ProgramRun run;
    run.out = process.readAllStandardOutput();
    return JsonRowsByAddress(run);
}

QStringList QueueCase::pages(const QString& prefix, int count, int delayMs)
{
    QStringList addresses;
    for (int i = 0; i < count; ++i) {
        const QString path = QStringLiteral("/%1%2").arg(prefix).arg(i);
        server.route(path,
            TestServer::Route { .body = QStringLiteral("<html><title>%1</title><h1>%1</h1></html>").arg(path).toUtf8(),
                .delayMs = delayMs });
        addresses.append(server.url(path));
    }
    return addresses;
}

} // namespace qm::test
