#include "queue/QueueStatus.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <memory>

#include "platform/VisibleText.h"
#include "queue/RedisConnection.h"

namespace qm::queue {

namespace {

void quit(const Error& error)
{
    std::fprintf(stderr, "quillmark status: %s\n", VisibleText(error.message).toLocal8Bit().constData());
    QCoreApplication::exit(2);
}

} // namespace

QueueStatus::QueueStatus(QueueOptions options, QObject* parent)
    : QObject(parent)
    , m_options(std::move(options))
{
}

int QueueStatus::run()
{
    m_redis = new RedisConnection(m_options.address, this);
    connect(m_redis, &RedisConnection::refused, this,
        [](const QString& reason) { quit(Error::make(Error::Code::Usage, reason)); });
    connect(m_redis, &RedisConnection::lost, this, [this](const QString& reason) {
        quit(Error::make(
            Error::Code::Io, QStringLiteral("cannot reach Redis at %1: %2").arg(m_options.address.describe(), reason)));
    });
    connect(m_redis, &RedisConnection::ready, this, &QueueStatus::batches);
    m_redis->open();
    return QCoreApplication::exec();
}

void QueueStatus::batches()
{
    if (!m_options.batch.isEmpty())
        return counts({ m_options.batch.toUtf8() });
    m_redis->command({ "ZRANGE", m_options.names.batches(), "0", "-1" }, [this](Result<RedisReply> answer) {
        if (!answer)
            return quit(answer.error());
        QByteArrayList ids;
        for (const RedisReply& id : answer->elements)
            ids.append(id.text);
        counts(ids);
    });
}

void QueueStatus::counts(const QByteArrayList& ids)
{
    if (ids.isEmpty()) {
        std::printf("no batches\n");
        return workers();
    }
    const QueueNames& n = m_options.names;
    auto remaining = std::make_shared<qsizetype>(ids.size());
    auto lines = std::make_shared<QByteArrayList>(ids);
    for (qsizetype i = 0; i < ids.size(); ++i) {
        const QByteArray id = ids[i];
        auto total = std::make_shared<long long>(-1);
        auto done = std::make_shared<long long>(0);
        m_redis->command({ "HGET", n.batch(id), "total" },
            [total](Result<RedisReply> a) { *total = a && !a->isNil() ? a->text.toLongLong() : -1; });
        m_redis->command({ "SCARD", n.done(id) }, [done](Result<RedisReply> a) { *done = a ? a->integer : 0; });
        // A page that failed once and was written later counts as done.
        m_redis->command(
            { "SDIFF", n.failed(id), n.done(id) }, [this, i, id, total, done, remaining, lines](Result<RedisReply> a) {
                if (!a)
                    return quit(a.error());
                const long long failed = a->elements.size();
                if (*total < 0) // gone a week after its last page
                    m_redis->command({ "ZREM", m_options.names.batches(), id });
                (*lines)[i] = *total < 0 ? id + ": no such batch"
                                         : QStringLiteral("%1: %2 pages, %3 pending, %4 done, %5 failed")
                                               .arg(QString::fromUtf8(id), QString::number(*total),
                                                   QString::number(std::max(0LL, *total - *done - failed)),
                                                   QString::number(*done), QString::number(failed))
                                               .toUtf8();
                if (--*remaining > 0)
                    return;
                // Batch ids come from whoever can write to Redis: shown, never obeyed by the terminal.
                for (const QByteArray& line : std::as_const(*lines))
                    std::printf("%s\n", VisibleText(QString::fromUtf8(line)).toUtf8().constData());
                workers();
            });
    }
}

void QueueStatus::workers()
{
    const QueueNames& n = m_options.names;
    m_redis->command({ "SMEMBERS", n.workers() }, [this](Result<RedisReply> members) {
        if (!members)
            return quit(members.error());
        if (members->elements.isEmpty()) {
            std::printf("no workers alive\n");
            return QCoreApplication::exit(0);
        }
        auto remaining = std::make_shared<qsizetype>(members->elements.size());
        auto alive = std::make_shared<int>(0);
        for (const RedisReply& member : members->elements) {
            const QByteArray name = member.text;
            m_redis->command(
                { "GET", m_options.names.worker(name) }, [this, name, remaining, alive](Result<RedisReply> beat) {
                    if (beat && beat->isNil()) {
                        m_redis->command({ "SREM", m_options.names.workers(), name }); // its heartbeat ran out
                    } else if (beat) {
                        const QJsonObject about = QJsonDocument::fromJson(beat->text).object();
                        ++*alive;
                        std::printf("worker %s: %d of %d pages at once busy%s\n",
                            VisibleText(QString::fromUtf8(name)).toUtf8().constData(), about.value("busy").toInt(),
                            about.value("jobs").toInt(), about.value("stopping").toBool() ? ", stopping" : "");
                    }
                    if (--*remaining > 0)
                        return;
                    if (*alive == 0)
                        std::printf("no workers alive\n");
                    m_redis->command({ "PING" }, [](Result<RedisReply>) { QCoreApplication::exit(0); });
                });
        }
    });
}

} // namespace qm::queue
