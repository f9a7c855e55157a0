#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <optional>

#include "batch/BatchState.h"
#include "batch/BatchView.h"
#include "batch/UrlListModel.h"
#include "capture/PageRunner.h"

namespace qm {

class SettingsSource;

// Walks the URL list: issues rows to the page runner (one at a time, or `jobs` at once, each with the
// settings as they are when it starts; the runner holds it to its time limit), marks each
// row "Processing", then "OK" or "Failed" (reason as the row's tool tip), moves the progress bar and
// finishes with "Conversion completed!" and the output folder. Event-driven: every step runs from
// the event loop when a page finishes, a command arrives or a message is dismissed.
class BatchDriver : public QObject
{
    Q_OBJECT
public:
    BatchDriver(UrlListModel& list, BatchState& state, BatchView& view, PageRunner& runner,
        const SettingsSource& settings, QString appHome, QObject* parent = nullptr);
    ~BatchDriver() override;

    void startBatch();
    void cancelBatch();
    void cancelBatchSilently();

    // Events of the browser, for the status labels.
    void statusTextChanged(const QString& text);
    void newWindowRequested();

    // The view calls this when it stops holding new rows (a modal window closed).
    void nudge();

    // Drops every page still in flight (the command line's Ctrl+C): nothing more is written for them.
    void abandonPagesInFlight();
    int pagesInFlight() const { return int(m_inFlight.size()); }

    // Failed pages are tried again up to this many times (RetryWorthwhile says which); by default the
    // "retries" setting, read when the batch starts.
    void setRetries(std::optional<int> retries) { m_retriesGiven = retries; }
    // The pause before try `next` (2, 3 ...): one second, doubled each time, at most a minute.
    static std::chrono::milliseconds RetryPause(int next);

    // Free memory in bytes (0: unknown), asked before each page beyond the first in flight.
    void setFreeMemory(std::function<qint64()> freeMemory) { m_freeMemory = std::move(freeMemory); }

signals:
    // `tries`: 1, or more when the page was tried again; the outcome is the last try's.
    void pageFinished(qm::UrlListModel::RowId row, const QString& address, const qm::PageOutcome& outcome, int tries);
    // Every page of the batch has ended; its end message shows next, for as long as the user leaves it.
    void pagesDone();
    // `running` was cleared: the batch completed (message dismissed, folder opened) or a cancel was seen.
    void idle();
    // A page's warning (a watermark picture that cannot be used), once per batch for each text; the
    // completion message repeats them.
    void warned(const QString& text);

private:
    struct Flight
    {
        UrlListModel::RowId row = 0;
        QString address;
        int tries = 1;
    };

    void queuePump();
    void pump();
    bool roomForAnotherPage() const;
    void issueRow();
    void launch(Flight flight);
    bool retryLater(const Flight& flight, const PageOutcome& outcome);
    void pageDone(PageRunner::Ticket ticket, PageOutcome outcome);
    void finishRow(const Flight& flight, const PageOutcome& outcome);
    void markCancelled();
    void afterCancel();
    void stopAfterCancel();
    void complete();
    void openOutputFolder();
    void updateReady();

    UrlListModel& m_list;
    BatchState& m_state;
    BatchView& m_view;
    PageRunner& m_runner;
    const SettingsSource& m_settings;
    QString m_appHome;

    qsizetype m_rowCount = 0;
    int m_jobs = 1;
    std::function<qint64()> m_freeMemory;
    bool m_completing = false;
    bool m_pumpQueued = false;
    PageRunner::Ticket m_nextTicket = 0;
    QHash<PageRunner::Ticket, Flight> m_inFlight;
    std::optional<int> m_retriesGiven;
    int m_retries = 0;
    QList<Flight> m_retryReady; // their pause is over: started before the next new row
    QHash<QTimer*, Flight> m_retryWaiting;
    QStringList m_warned; // this batch's warnings already said, for its end message too
    int m_converted = 0; // this batch's pages, for its end message
    QStringList m_failed; // "address: reason" of this batch's failed pages
    QTimer m_holdCheck;
};

} // namespace qm
