// A worker without a browser: takes every job of a stream through a consumer group and answers each
// with the commands a worker sends (result entry, done mark, expiries, XACK, XDEL), to measure what one Redis stream
// carries. queue_drain_bench PORT STREAM JOBS
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "queue/JobEntry.h"
#include "queue/QueueNames.h"
#include "queue/RedisConnection.h"
#include "queue/StreamEntries.h"

using namespace qm;
using namespace qm::queue;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: queue_drain_bench PORT STREAM JOBS\n");
        return 2;
    }
    RedisAddress address;
    address.host = QStringLiteral("127.0.0.1");
    address.port = QByteArray(argv[1]).toInt();
    QueueNames names;
    names.stream = argv[2];
    const int expected = QByteArray(argv[3]).toInt();
    RedisConnection reader(address);
    RedisConnection writer(address);
    int done = 0;
    int ready = 0;
    QElapsedTimer clock;
    std::function<void()> read;
    read = [&] {
        reader.command({ "XREADGROUP", "GROUP", names.group, "drain", "COUNT", "500", "BLOCK", "2000", "STREAMS",
                           names.jobs(), ">" },
            [&](Result<RedisReply> answer) {
                if (!answer) {
                    std::fprintf(stderr, "%s\n", answer.error().message.toLocal8Bit().constData());
                    return QCoreApplication::exit(1);
                }
                for (const StreamEntry& entry : FirstStreamEntries(*answer)) {
                    auto job = Job::fromFields(entry.fields, names);
                    if (!job)
                        continue;
                    JobResult result { job->index, job->address, QStringLiteral("drain"), PageOutcome {} };
                    result.outcome.output = QStringLiteral("/srv/shots/%1.png").arg(job->name);
                    result.outcome.elapsed = std::chrono::milliseconds(850);
                    writer.command(AddCommand(job->results, result.fields()));
                    writer.command({ "SADD", names.done(job->batch), QByteArray::number(job->index) });
                    for (const QByteArray& key : { names.batch(job->batch), names.results(job->batch),
                             names.done(job->batch), names.failed(job->batch) })
                        writer.command({ "EXPIRE", key, "604800" });
                    writer.command({ "XACK", names.jobs(), names.group, entry.id });
                    writer.command({ "XDEL", names.jobs(), entry.id }, [&](Result<RedisReply>) {
                        if (++done == expected) {
                            std::printf("%d jobs in %.2f s: %.0f jobs/s\n", done, clock.elapsed() / 1000.0,
                                done * 1000.0 / std::max<qint64>(1, clock.elapsed()));
                            QCoreApplication::exit(0);
                        }
                    });
                }
                if (done < expected)
                    read();
            });
    };
    const auto start = [&] {
        if (++ready < 2)
            return;
        writer.command({ "XGROUP", "CREATE", names.jobs(), names.group, "0", "MKSTREAM" }, [&](Result<RedisReply>) {
            clock.start();
            read();
        });
    };
    QObject::connect(&reader, &RedisConnection::ready, start);
    QObject::connect(&writer, &RedisConnection::ready, start);
    reader.open();
    writer.open();
    return QCoreApplication::exec();
}
