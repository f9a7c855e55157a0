#include "queue/BatchSubmitter.h"

#include <QCoreApplication>
#include <QDateTime>
#include <csignal>
#include <cstdio>

#include <unistd.h>

#include "platform/VisibleText.h"
#include "queue/RedisConnection.h"
#include "queue/StreamEntries.h"
#include "report/BatchReport.h"
#include "run/ProgressDisplay.h"

namespace qm::queue {

namespace {
constexpr int ResultBlockMs = 5000;
}

BatchSubmitter::BatchSubmitter(QueueOptions queue, run::ConvertOptions convert, BatchPlan plan, QObject* parent)
    : QObject(parent)
    , m_queue(std::move(queue))
    , m_convert(std::move(convert))
    , m_plan(std::move(plan))
{
}

BatchSubmitter::~BatchSubmitter() = default;

int BatchSubmitter::run()
{
    if (m_queue.wait && m_plan.report) {
        // Made before the jobs go in: a folder where no report can be written stops the batch unsent.
        QStringList addresses;
        for (const Job& job : std::as_const(m_plan.jobs))
            addresses.append(job.address);
        auto report = BatchReport::create(m_plan.outputFolder, addresses);
        if (!report) {
            std::fprintf(
                stderr, "quillmark submit: %s\n", VisibleText(report.error().message).toLocal8Bit().constData());
            return 2;
        }
        m_report = std::move(*report);
    }
    m_redis = new RedisConnection(m_queue.address, this);
    connect(m_redis, &RedisConnection::refused, this, &BatchSubmitter::setupError);
    connect(m_redis, &RedisConnection::lost, this, [this](const QString& reason) {
        // Before the batch is on the stream a user waits for nothing; after it, --wait carries on.
        if (!m_submitted)
            return setupError(QStringLiteral("cannot reach Redis at %1: %2").arg(m_queue.address.describe(), reason));
        if (!std::exchange(m_lossSaid, true)) {
            if (m_display)
                m_display->clear();
            std::fprintf(stderr, "quillmark submit: no connection to Redis at %s (%s); trying again\n",
                m_queue.address.describe().toLocal8Bit().constData(), reason.toLocal8Bit().constData());
        }
    });
    connect(m_redis, &RedisConnection::ready, this, [this] {
        m_lossSaid = false;
        if (!m_submitted)
            submit();
        else
            follow();
    });
    connect(&m_interrupts, &InterruptWatcher::interrupted, this, &BatchSubmitter::interrupted);
    m_redis->open();
    return QCoreApplication::exec();
}

void BatchSubmitter::setupError(const QString& message)
{
    m_ended = true;
    std::fprintf(stderr, "quillmark submit: %s\n", VisibleText(message).toLocal8Bit().constData());
    QCoreApplication::exit(2);
}

void BatchSubmitter::submit()
{
    const QueueNames& n = m_queue.names;
    const QByteArray& id = m_plan.id;
    const QByteArray now = QByteArray::number(QDateTime::currentMSecsSinceEpoch());
    // One transaction: a Redis that refuses any part of the batch (its memory full, say) takes none of it,
    // so no job is left without its batch and no batch waits for jobs that never went in.
    auto refusal = std::make_shared<QString>();
    const auto note = [refusal](Result<RedisReply> answer) {
        if (!answer && refusal->isEmpty())
            *refusal = answer.error().message;
    };
    m_redis->command({ "MULTI" }, note);
    for (const Job& job : std::as_const(m_plan.jobs))
        m_redis->command(AddCommand(n.jobs(), job.fields()), note);
    m_redis->command({ "HSET", n.batch(id), "total", QByteArray::number(m_plan.jobs.size()), "submitted", now,
                         "outputfolder", m_plan.outputFolder.toUtf8(), "results", n.results(id) },
        note);
    m_redis->command({ "ZADD", n.batches(), now, id }, note);
    m_redis->command({ "EXEC" }, [this, refusal](Result<RedisReply> answer) {
        if (!answer)
            return setupError(QStringLiteral("cannot add the batch's jobs: %1")
                                  .arg(refusal->isEmpty() ? answer.error().message : *refusal));
        // A command that fails as the transaction runs (a key of another type) leaves the others done.
        QByteArrayList added;
        QString failure;
        for (qsizetype i = 0; i < answer->elements.size(); ++i) {
            const RedisReply& done = answer->elements[i];
            if (done.isError() && failure.isEmpty())
                failure = QString::fromUtf8(done.text);
            else if (!done.isError() && i < m_plan.jobs.size())
                added.append(done.text);
        }
        if (!failure.isEmpty())
            return withdraw(added, failure);
        submitted();
    });
}

void BatchSubmitter::withdraw(const QByteArrayList& added, const QString& reason)
{
    const QueueNames& n = m_queue.names;
    if (!added.isEmpty())
        m_redis->command(QByteArrayList { "XDEL", n.jobs() } + added);
    m_redis->command({ "DEL", n.batch(m_plan.id) });
    m_redis->command({ "ZREM", n.batches(), m_plan.id }, [this, reason](Result<RedisReply>) {
        setupError(QStringLiteral("cannot add the batch's jobs: %1").arg(reason));
    });
}

void BatchSubmitter::submitted()
{
    m_submitted = true;
    std::FILE* idOut = m_queue.wait && m_convert.json ? stderr : stdout;
    const bool shown = std::fprintf(idOut, "%s\n", m_plan.id.constData()) >= 0 && std::fflush(idOut) == 0;
    if (!shown && idOut == stdout)
        return stopFollowing(run::ClosedOutputStatus, false);
    if (!m_queue.wait)
        return QCoreApplication::exit(0);
    run::ProgressDisplay::Style style = run::ProgressDisplay::Style::Lines;
    if (m_convert.quiet)
        style = run::ProgressDisplay::Style::Quiet;
    else if (::isatty(fileno(stderr)))
        style = run::ProgressDisplay::Style::Bar;
    m_display = std::make_unique<run::ProgressDisplay>(int(m_plan.jobs.size()), style, m_convert.json, stdout, stderr);
    if (style == run::ProgressDisplay::Style::Bar) {
        connect(&m_tick, &QTimer::timeout, this, [this] { m_display->refresh(); });
        m_tick.start(1000);
        m_display->refresh();
    }
    follow();
}

void BatchSubmitter::follow()
{
    if (!m_redis->isReady() || m_ended)
        return; // carried on when the connection is back
    // Workers keep a batch's description a week after its last page: gone before that, the queue lost it,
    // and no result will come.
    m_redis->command({ "EXISTS", m_queue.names.batch(m_plan.id) }, [this](Result<RedisReply> answer) {
        if (answer && answer->integer == 0 && !m_ended)
            lostBatch();
    });
    m_redis->command({ "XREAD", "BLOCK", QByteArray::number(ResultBlockMs), "STREAMS", m_queue.names.results(m_plan.id),
                         m_lastResult },
        [this](Result<RedisReply> answer) {
            if (m_ended)
                return;
            if (!answer) {
                if (answer.error().code != Error::Code::Io)
                    setupError(QStringLiteral("cannot follow the batch: %1").arg(answer.error().message));
                return;
            }
            results(FirstStreamEntries(*answer));
            if (m_ended)
                return;
            if (m_seen.size() < m_plan.jobs.size())
                follow();
            else
                finish();
        });
}

void BatchSubmitter::lostBatch()
{
    m_ended = true;
    m_tick.stop();
    if (m_display)
        m_display->clear();
    std::fprintf(stderr, "quillmark submit: the queue lost batch %s (was Redis restarted without persistence?)\n",
        m_plan.id.constData());
    QCoreApplication::exit(1);
}

void BatchSubmitter::results(const QList<StreamEntry>& entries)
{
    for (const StreamEntry& entry : entries) {
        m_lastResult = entry.id;
        const JobResult result = JobResult::fromFields(entry.fields);
        if (m_seen.contains(result.index) || result.index < 0 || result.index >= m_plan.jobs.size())
            continue;
        m_seen.insert(result.index);
        if (result.outcome.output)
            ++m_written;
        else
            m_exitCode = 1;
        const bool shown = m_display->pageFinished(result.address, result.outcome);
        if (m_report)
            reportProblem(m_report->record(result.index, result.outcome, result.tries));
        if (!shown)
            return stopFollowing(run::ClosedOutputStatus, false);
    }
}

void BatchSubmitter::reportProblem(const Result<void>& written)
{
    // Said once; the batch goes on, and the next write may succeed.
    if (written || std::exchange(m_reportFailed, true))
        return;
    m_display->clear();
    std::fprintf(stderr, "quillmark submit: %s\n", VisibleText(written.error().message).toLocal8Bit().constData());
    m_display->refresh();
}

void BatchSubmitter::finish()
{
    m_ended = true;
    m_tick.stop();
    m_display->clear();
    bool reportIncomplete = false;
    if (m_report) {
        const Result<void> written = m_report->finish();
        reportIncomplete = !written;
        reportProblem(written);
    }
    if (!m_convert.quiet && !m_convert.json) {
        QString summary = QStringLiteral("%1 of %2 written").arg(m_written).arg(m_plan.jobs.size());
        if (m_display->failed() > 0)
            summary += QStringLiteral(", %1 failed").arg(m_display->failed());
        summary += QStringLiteral(" in %1").arg(m_plan.outputFolder);
        if (m_report)
            summary += QStringLiteral("; report: %1").arg(m_report->htmlPath());
        std::fprintf(stderr, "%s\n", VisibleText(summary).toLocal8Bit().constData());
    }
    // A report asked for and not written whole at the end is a part of the run not done.
    QCoreApplication::exit(reportIncomplete ? std::max(m_exitCode, 1) : m_exitCode);
}

void BatchSubmitter::interrupted(int signalNumber)
{
    stopFollowing(signalNumber == SIGTERM ? 143 : 130, true);
}

void BatchSubmitter::stopFollowing(int exitCode, bool say)
{
    m_ended = true;
    m_tick.stop();
    if (m_display)
        m_display->clear();
    if (m_submitted && say)
        std::fprintf(
            stderr, "quillmark submit: stopped following; the workers go on with batch %s\n", m_plan.id.constData());
    QCoreApplication::exit(exitCode);
}

} // namespace qm::queue
