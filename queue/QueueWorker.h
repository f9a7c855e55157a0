#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <memory>
#include <optional>

#include "platform/InterruptWatcher.h"
#include "queue/JobEntry.h"
#include "queue/QueueOptions.h"
#include "queue/StreamEntries.h"
#include "queue/WorkerBounds.h"

namespace qm {
class EnginePool;
class PageConversion;
} // namespace qm

namespace qm::queue {

class RedisConnection;

// `quillmark worker`: takes jobs from the stream's consumer group (new ones, and those another worker
// left pending longer than the idle time), converts each with the page engine under its batch's
// settings, writes the output under the job's name, adds the result to the batch's result stream and
// only then acknowledges the job. SIGTERM stops the reading; the pages in flight finish first.
class QueueWorker : public QObject
{
    Q_OBJECT
public:
    explicit QueueWorker(QueueOptions options, QObject* parent = nullptr);
    ~QueueWorker() override;

    int run(); // the exit status

private:
    struct Active;
    struct Report
    {
        QByteArray entry;
        Job job;
        JobResult result;
    };

    Result<void> prepare();
    void connected();
    void createGroup();
    void next(); // claims or reads while pages may start
    void claim();
    void read();
    void take(const QList<StreamEntry>& entries, bool claimed);
    void checkAttempts(const StreamEntry& entry);
    void start(const QByteArray& entry, const Job& job, int tries);
    void refuse(const StreamEntry& entry, const QString& reason);
    void failJob(const QByteArray& entry, const Job& job, int tries, const QString& reason);
    void finished(quint64 ticket, const PageOutcome& outcome);
    void readFailed(const Error& error);
    void report(const Report& report);
    void acknowledge(const QByteArray& entry, std::function<void(bool)> done = {});
    void beat();
    void stop(int signalNumber);
    void maybeExit();
    int free() const;
    void say(const QString& text) const;

    QueueOptions m_options;
    QByteArray m_name;
    QString m_home;
    std::chrono::milliseconds m_idle { 90000 };
    std::unique_ptr<EnginePool> m_pool;
    std::unique_ptr<PageConversion> m_conversion; // every job's, each page with its job's settings
    std::optional<WorkerBounds> m_bounds;
    RedisConnection* m_reader = nullptr; // the blocking reads
    RedisConnection* m_writer = nullptr; // everything else
    QHash<quint64, std::shared_ptr<Active>> m_active;
    QList<Report> m_unreported;
    QSet<QByteArray> m_held; // entries this worker converts or reports, until acknowledged
    int m_reporting = 0;
    int m_checking = 0; // claimed jobs whose attempts are being counted
    quint64 m_nextTicket = 1;
    bool m_groupReady = false;
    bool m_waitSaid = false; // the first failed connection is said, later ones only after a loss
    bool m_reading = false;
    bool m_stopping = false;
    int m_exitCode = 0;
    QByteArray m_claimCursor = "0-0";
    QElapsedTimer m_sinceClaim;
    QTimer m_heartbeat;
    QTimer m_pause;
    InterruptWatcher m_interrupts;
};

} // namespace qm::queue
