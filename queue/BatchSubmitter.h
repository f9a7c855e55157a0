#pragma once

#include <QObject>
#include <QSet>
#include <QTimer>
#include <memory>

#include "platform/ClosedPipeGuard.h"
#include "platform/InterruptWatcher.h"
#include "queue/BatchPlan.h"
#include "queue/QueueOptions.h"
#include "queue/StreamEntries.h"
#include "run/ConvertOptions.h"

namespace qm {
class BatchReport;
}

namespace qm::run {
class ProgressDisplay;
}

namespace qm::queue {

class RedisConnection;

// `quillmark submit`: puts one job per page on the stream (in one transaction with the batch's description),
// prints the batch id and, with --wait, follows the batch's result stream as `convert` shows its pages,
// writing the batch's report as the results come in when it has one.
class BatchSubmitter : public QObject
{
    Q_OBJECT
public:
    BatchSubmitter(QueueOptions queue, run::ConvertOptions convert, BatchPlan plan, QObject* parent = nullptr);
    ~BatchSubmitter() override;

    int run(); // the exit status, as convert's

private:
    void submit();
    void withdraw(const QByteArrayList& added, const QString& reason);
    void submitted();
    void follow();
    void lostBatch();
    void results(const QList<StreamEntry>& entries);
    void finish();
    void reportProblem(const Result<void>& written);
    void setupError(const QString& message);
    void interrupted(int signalNumber);
    // Stops following (the batch goes on) with `exitCode`, saying so when `say`.
    void stopFollowing(int exitCode, bool say);

    QueueOptions m_queue;
    run::ConvertOptions m_convert;
    BatchPlan m_plan;
    RedisConnection* m_redis = nullptr;
    std::unique_ptr<run::ProgressDisplay> m_display;
    std::unique_ptr<BatchReport> m_report;
    bool m_reportFailed = false;
    QSet<int> m_seen; // pages with a result (a page converted twice has two)
    QByteArray m_lastResult = "0";
    bool m_submitted = false;
    bool m_ended = false; // the exit status is decided; answers still on their way are dropped
    bool m_lossSaid = false;
    int m_written = 0;
    int m_exitCode = 0;
    QTimer m_tick;
    InterruptWatcher m_interrupts;
    ClosedPipeGuard m_closedOutput;
};

} // namespace qm::queue
