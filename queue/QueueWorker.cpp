#include "queue/QueueWorker.h"

#include <QCoreApplication>
#include <QDir>
#include <QHostInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>

#include <unistd.h>

#include "capture/EnginePool.h"
#include "capture/OutputFolder.h"
#include "capture/PageConversion.h"
#include "capture/PageSettings.h"
#include "platform/AppHome.h"
#include "platform/MessageSink.h"
#include "platform/StderrMessages.h"
#include "platform/VisibleText.h"
#include "queue/JobSettings.h"
#include "queue/RedisConnection.h"
#include "run/BrowserPool.h"
#include "settings/SettingKeys.h"

namespace qm::queue {

namespace {

constexpr int ReadBlockMs = 2000;
constexpr int HeartbeatSeconds = 15;
// A job handed out this often without a result stopped every worker that took it: it is failed.
constexpr long long MostDeliveries = 3;
constexpr int KeepBatchSeconds = 7 * 24 * 3600;

StderrMessages g_messages("quillmark worker");

} // namespace

struct QueueWorker::Active
{
    QByteArray entry;
    Job job;
    int tries = 1;
};

QueueWorker::QueueWorker(QueueOptions options, QObject* parent)
    : QObject(parent)
    , m_options(std::move(options))
{
    m_heartbeat.setInterval(std::chrono::seconds(HeartbeatSeconds / 3));
    connect(&m_heartbeat, &QTimer::timeout, this, &QueueWorker::beat);
    m_pause.setSingleShot(true);
    connect(&m_pause, &QTimer::timeout, this, &QueueWorker::next);
}

QueueWorker::~QueueWorker()
{
    // Pages first, then the browsers they use.
    m_active.clear();
    m_conversion.reset();
    m_pool.reset();
}

void QueueWorker::say(const QString& text) const
{
    std::fprintf(stderr, "quillmark worker: %s\n", VisibleText(text).toLocal8Bit().constData());
}

Result<void> QueueWorker::prepare()
{
    auto home = AppHome::open(m_options.home.isEmpty() ? AppHome::defaultPath() : m_options.home);
    if (!home)
        return std::unexpected(home.error());
    m_home = home->path();
    if (m_options.idleSeconds) {
        m_idle = std::chrono::seconds(*m_options.idleSeconds);
    } else {
        const FileSettings file(home->settingsPath());
        m_idle = ReadPageTimeout(file) + std::chrono::seconds(30);
    }
    QString root = m_options.outputRoot;
    if (root.isEmpty()) {
        const FileSettings file(home->settingsPath());
        root = QDir::cleanPath(QDir::current().absoluteFilePath(OutputFolder(file, m_home)));
    }
    auto outputRoot = OutputRoot::open(root);
    if (!outputRoot)
        return std::unexpected(outputRoot.error());
    auto files = FileAllowance::fromOptions(m_options.allowFiles);
    if (!files)
        return std::unexpected(files.error());
    QString credentials = qEnvironmentVariable("QUILLMARK_AUTH");
    if (!credentials.isEmpty() && m_options.authHosts.isEmpty()) {
        say(QStringLiteral("QUILLMARK_AUTH is set, but no --auth-host names a host to give it to: it is not used"));
        credentials.clear();
    }
    m_bounds.emplace(std::move(*outputRoot), std::move(*files), m_options.authHosts, credentials);
    m_name = m_options.workerName.isEmpty() ? (QHostInfo::localHostName() + u'-' + QString::number(::getpid())).toUtf8()
                                            : m_options.workerName.toUtf8();

    // The jobs to come and their formats are not known: each page at once may need a browser of its own.
    auto pool = run::MakeBrowserPool({ m_options.browsers, m_options.jobs, std::nullopt, true });
    if (!pool)
        return std::unexpected(pool.error());
    m_pool = std::move(*pool);
    m_pool->setViewport(QSize(1280, 800));
    m_conversion = std::make_unique<PageConversion>(*m_pool, m_home);
    m_conversion->setMessages(&g_messages);
    return {};
}

int QueueWorker::run()
{
    if (auto ready = prepare(); !ready) {
        say(ready.error().message);
        return 2;
    }
    connect(&m_interrupts, &InterruptWatcher::interrupted, this, &QueueWorker::stop);
    m_pool->start([this](Result<void> started) {
        if (!started) {
            say(QStringLiteral("cannot start the browser: %1").arg(started.error().message));
            QCoreApplication::exit(2);
            return;
        }
        connected();
    });
    return QCoreApplication::exec() == 0 ? m_exitCode : 2;
}

void QueueWorker::connected()
{
    m_reader = new RedisConnection(m_options.address, this);
    m_writer = new RedisConnection(m_options.address, this);
    for (RedisConnection* connection : { m_reader, m_writer }) {
        connect(connection, &RedisConnection::refused, this, [this](const QString& reason) {
            say(reason);
            QCoreApplication::exit(2);
        });
    }
    connect(m_writer, &RedisConnection::lost, this, [this](const QString& reason) {
        if (m_groupReady || !m_waitSaid)
            say(QStringLiteral("no connection to Redis at %1 (%2); trying again")
                    .arg(m_options.address.describe(), reason));
        m_waitSaid = true;
        m_groupReady = false;
    });
    connect(m_writer, &RedisConnection::ready, this, [this] {
        say(QStringLiteral("%1 takes jobs from %2 on %3 and writes under %4")
                .arg(QString::fromUtf8(m_name), QString::fromUtf8(m_options.names.jobs()), m_options.address.describe(),
                    m_bounds->root().path()));
        createGroup();
        beat();
        m_heartbeat.start();
        const QList<Report> waiting = std::exchange(m_unreported, {});
        for (const Report& r : waiting)
            report(r);
    });
    connect(m_reader, &RedisConnection::ready, this, &QueueWorker::next);
    m_writer->open();
    m_reader->open();
}

void QueueWorker::createGroup()
{
    const QueueNames& n = m_options.names;
    // From the stream's start: jobs submitted before any worker came are taken too.
    m_writer->command({ "XGROUP", "CREATE", n.jobs(), n.group, "0", "MKSTREAM" }, [this, n](Result<RedisReply> answer) {
        if (!answer && !answer.error().message.startsWith(QLatin1String("BUSYGROUP"))) {
            if (answer.error().code == Error::Code::Io)
                return; // tried again when the connection is back
            // Waiting would not mend it (a stream key of another type, a refused command): said, and ended.
            say(QStringLiteral("cannot create the consumer group %1 of %2: %3")
                    .arg(QString::fromUtf8(n.group), QString::fromUtf8(n.jobs()), answer.error().message));
            QCoreApplication::exit(2);
            return;
        }
        m_groupReady = true;
        next();
    });
}

int QueueWorker::free() const
{
    return m_options.jobs - int(m_active.size()) - m_checking;
}

void QueueWorker::next()
{
    if (m_stopping)
        return maybeExit();
    if (!m_groupReady || m_reading || m_pause.isActive() || !m_reader || !m_reader->isReady() || free() <= 0)
        return;
    const auto claimEvery = std::min<std::chrono::milliseconds>(m_idle / 2, std::chrono::seconds(5));
    if (!m_sinceClaim.isValid() || m_sinceClaim.elapsed() >= claimEvery.count())
        claim();
    else
        read();
}

void QueueWorker::claim()
{
    m_reading = true;
    m_sinceClaim.restart();
    const QueueNames& n = m_options.names;
    m_reader->command({ "XAUTOCLAIM", n.jobs(), n.group, m_name, QByteArray::number(qint64(m_idle.count())),
                          m_claimCursor, "COUNT", QByteArray::number(free()) },
        [this](Result<RedisReply> answer) {
            m_reading = false;
            if (!answer)
                return readFailed(answer.error());
            m_claimCursor = answer->at(0).text.isEmpty() ? QByteArray("0-0") : answer->at(0).text;
            take(EntriesOf(answer->at(1)), true);
            next();
        });
}

void QueueWorker::read()
{
    m_reading = true;
    const QueueNames& n = m_options.names;
    m_reader->command({ "XREADGROUP", "GROUP", n.group, m_name, "COUNT", QByteArray::number(free()), "BLOCK",
                          QByteArray::number(ReadBlockMs), "STREAMS", n.jobs(), ">" },
        [this](Result<RedisReply> answer) {
            m_reading = false;
            if (!answer)
                return readFailed(answer.error());
            take(FirstStreamEntries(*answer), false);
            next();
        });
}

void QueueWorker::readFailed(const Error& error)
{
    if (error.code == Error::Code::Io)
        return maybeExit(); // the connection ended: reading goes on when it is back
    if (error.message.startsWith(QLatin1String("NOGROUP"))) {
        m_groupReady = false;
        createGroup();
        return;
    }
    say(QStringLiteral("cannot read jobs: %1").arg(error.message));
    m_pause.start(std::chrono::seconds(1));
    maybeExit();
}

void QueueWorker::take(const QList<StreamEntry>& entries, bool claimed)
{
    for (const StreamEntry& entry : entries) {
        if (m_held.contains(entry.id))
            continue; // this worker's own, converted or being reported: claimed back before its XACK
        if (entry.deleted) {
            acknowledge(entry.id); // gone from the stream: nothing left to convert
            continue;
        }
        if (claimed) {
            checkAttempts(entry);
            continue;
        }
        auto job = Job::fromFields(entry.fields, m_options.names);
        if (!job) {
            refuse(entry, job.error().message);
            continue;
        }
        start(entry.id, *job, 1);
    }
}

void QueueWorker::checkAttempts(const StreamEntry& entry)
{
    auto job = Job::fromFields(entry.fields, m_options.names);
    if (!job)
        return refuse(entry, job.error().message);
    ++m_checking;
    const QueueNames& n = m_options.names;
    m_writer->command({ "XPENDING", n.jobs(), n.group, entry.id, entry.id, "1" },
        [this, id = entry.id, job = *job](Result<RedisReply> answer) {
            --m_checking;
            const long long deliveries = answer ? answer->at(0).at(3).integer : 0;
            // A take-over counts as a delivery: the count is the number of this try.
            if (deliveries <= MostDeliveries) {
                start(id, job, int(std::max(deliveries, 1LL)));
                return next();
            }
            JobResult result { job.index, job.address, QString::fromUtf8(m_name), PageOutcome {}, int(deliveries - 1) };
            result.outcome.output = fail(Error::Code::Crashed,
                QStringLiteral("given up after %1 attempts: each worker that took it stopped before it finished")
                    .arg(deliveries - 1));
            say(QStringLiteral("%1: %2").arg(job.address, result.outcome.output.error().message));
            m_held.insert(id);
            report(Report { id, job, result });
            next();
        });
}

void QueueWorker::refuse(const StreamEntry& entry, const QString& reason)
{
    if (const auto job = Job::partOf(entry.fields, m_options.names))
        return failJob(entry.id, *job, 1, reason);
    // No batch to tell: the entry goes, and so does the reason, on stderr.
    say(QStringLiteral("entry %1 of %2: %3; dropped")
            .arg(QString::fromLatin1(entry.id), QString::fromUtf8(m_options.names.jobs()), reason));
    acknowledge(entry.id, [this, id = entry.id](bool acknowledged) {
        if (acknowledged)
            m_writer->command({ "XDEL", m_options.names.jobs(), id });
    });
}

void QueueWorker::failJob(const QByteArray& entry, const Job& job, int tries, const QString& reason)
{
    JobResult result { job.index, job.address, QString::fromUtf8(m_name), PageOutcome {}, tries };
    result.outcome.output = fail(Error::Code::Usage, reason);
    say(QStringLiteral("%1: refused: %2").arg(job.address.left(200), reason));
    m_held.insert(entry);
    report(Report { entry, job, result });
}

void QueueWorker::start(const QByteArray& entry, const Job& job, int tries)
{
    auto admitted = m_bounds->admit(job);
    if (!admitted)
        return failJob(entry, job, tries, admitted.error().message);
    m_held.insert(entry);
    auto active = std::make_shared<Active>();
    active->entry = entry;
    active->job = job;
    active->tries = tries;
    JobSettings& settings = admitted->settings;
    // The name was fixed when the batch was submitted: a second conversion replaces the first's file.
    settings.set(keys::NameChoice.sectionName(), keys::NameChoice.keyName(), QStringLiteral("0"));
    settings.set(keys::FileName.sectionName(), keys::FileName.keyName(), job.name);
    settings.set(keys::DateTime.sectionName(), keys::DateTime.keyName(), QStringLiteral("0"));
    settings.set(keys::ExistingFileRule.sectionName(), keys::ExistingFileRule.keyName(), QStringLiteral("1"));
    const quint64 ticket = m_nextTicket++;
    m_active.insert(ticket, active);
    m_conversion->convert(ticket, admitted->address, PageSettings::ReadFrom(settings),
        [this, ticket](PageOutcome outcome) { finished(ticket, outcome); });
}

void QueueWorker::finished(quint64 ticket, const PageOutcome& outcome)
{
    const auto active = m_active.take(ticket);
    if (!active)
        return;
    const Job& job = active->job;
    say(outcome.output ? QStringLiteral("%1: written %2").arg(job.address, *outcome.output)
                       : QStringLiteral("%1: failed: %2").arg(job.address, outcome.output.error().message));
    report(Report {
        active->entry, job, JobResult { job.index, job.address, QString::fromUtf8(m_name), outcome, active->tries } });
    next();
}

void QueueWorker::report(const Report& r)
{
    if (!m_writer || !m_writer->isReady()) {
        m_unreported.append(r);
        return maybeExit();
    }
    const QueueNames& n = m_options.names;
    const QByteArray index = QByteArray::number(r.job.index);
    ++m_reporting;
    m_writer->command(AddCommand(n.results(r.job.batch), r.result.fields()), [this, r](Result<RedisReply> added) {
        if (!added) {
            --m_reporting;
            m_unreported.append(r);
            return maybeExit();
        }
        acknowledge(r.entry, [this, r](bool acknowledged) {
            --m_reporting;
            if (!acknowledged) {
                m_unreported.append(r);
            } else { // done with: the stream keeps only the jobs still to do
                m_held.remove(r.entry);
                m_writer->command({ "XDEL", m_options.names.jobs(), r.entry });
            }
            maybeExit();
        });
    });
    // A page once written stays done, whatever a later attempt at it says.
    const bool ok = r.result.outcome.output.has_value();
    if (r.job.index >= 0)
        m_writer->command({ "SADD", ok ? n.done(r.job.batch) : n.failed(r.job.batch), index });
    // A batch's description and results go a week after its last page.
    for (const QByteArray& key :
        { n.batch(r.job.batch), n.results(r.job.batch), n.done(r.job.batch), n.failed(r.job.batch) })
        m_writer->command({ "EXPIRE", key, QByteArray::number(KeepBatchSeconds) });
}

void QueueWorker::acknowledge(const QByteArray& entry, std::function<void(bool)> done)
{
    const QueueNames& n = m_options.names;
    m_writer->command({ "XACK", n.jobs(), n.group, entry }, [done](Result<RedisReply> answer) {
        if (done)
            done(answer.has_value());
    });
}

void QueueWorker::beat()
{
    if (!m_writer || !m_writer->isReady())
        return;
    const QueueNames& n = m_options.names;
    const QJsonObject about { { "host", QHostInfo::localHostName() }, { "pid", qint64(::getpid()) },
        { "jobs", m_options.jobs }, { "busy", int(m_active.size()) }, { "stopping", m_stopping } };
    m_writer->command({ "SET", n.worker(m_name), QJsonDocument(about).toJson(QJsonDocument::Compact), "EX",
        QByteArray::number(HeartbeatSeconds) });
    m_writer->command({ "SADD", n.workers(), m_name });
    // The jobs in progress are kept fresh, so that --idle measures a worker that stopped, not a long page.
    if (!m_active.isEmpty()) {
        QByteArrayList refresh { "XCLAIM", n.jobs(), n.group, m_name, "0" };
        for (const auto& active : std::as_const(m_active))
            refresh.append(active->entry);
        refresh.append("JUSTID");
        m_writer->command(refresh);
    }
}

void QueueWorker::stop(int)
{
    if (m_stopping)
        return;
    m_stopping = true;
    say(QStringLiteral("stopping after the %1 page(s) in progress").arg(m_active.size()));
    beat();
    maybeExit();
}

void QueueWorker::maybeExit()
{
    if (!m_stopping || !m_active.isEmpty() || m_reading || m_checking > 0 || m_reporting > 0)
        return;
    if (!m_unreported.isEmpty()) {
        if (m_writer && m_writer->isReady()) {
            for (const Report& r : std::exchange(m_unreported, {}))
                report(r);
            return;
        }
        say(QStringLiteral("the results of %1 page(s) could not be handed to Redis; other workers convert "
                           "them again")
                .arg(m_unreported.size()));
        m_exitCode = 1;
    }
    m_heartbeat.stop();
    if (!m_writer || !m_writer->isReady())
        return QCoreApplication::exit(0);
    const QueueNames& n = m_options.names;
    m_writer->command({ "DEL", n.worker(m_name) });
    m_writer->command({ "SREM", n.workers(), m_name }, [](Result<RedisReply>) { QCoreApplication::exit(0); });
}

} // namespace qm::queue
