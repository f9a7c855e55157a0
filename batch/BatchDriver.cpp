#include "batch/BatchDriver.h"

#include <QPointer>

#include "batch/RetryRule.h"
#include "capture/OutputFolder.h"
#include "capture/PageSettings.h"
#include "platform/MachineResources.h"
#include "settings/ReadingRules.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsSource.h"

namespace qm {

namespace {
const QString kProcessing = QStringLiteral("Processing");
const QString kOk = QStringLiteral("OK");
const QString kCancel = QStringLiteral("Cancel");
const QString kFailed = QStringLiteral("Failed");
constexpr qsizetype ListedFailures = 10; // a message box must fit the screen
const QString kIdleCaption = QStringLiteral("Status");
} // namespace

BatchDriver::BatchDriver(UrlListModel& list, BatchState& state, BatchView& view, PageRunner& runner,
    const SettingsSource& settings, QString appHome, QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_state(state)
    , m_view(view)
    , m_runner(runner)
    , m_settings(settings)
    , m_appHome(std::move(appHome))
{
    // While a modal window holds the batch, look again now and then; nudge() is the prompt way.
    m_holdCheck.setSingleShot(true);
    m_holdCheck.setInterval(200);
    connect(&m_holdCheck, &QTimer::timeout, this, &BatchDriver::pump);
}

BatchDriver::~BatchDriver()
{
    abandonPagesInFlight();
}

void BatchDriver::startBatch()
{
    if (m_list.rowCount() == 0)
        return;
    if (m_state.running) {
        // Convert Now during a batch: the panel goes and the folder opens; the batch carries on.
        m_view.setProgressPanelVisible(false);
        openOutputFolder();
        return;
    }
    m_view.setProgressPanelVisible(true);
    m_state.browserReady = true;
    m_view.setProgress(0);
    m_view.setBusyCursor(true);
    m_state.running = true;
    m_state.cancelRequested = false;
    m_rowCount = m_list.rowCount();
    m_state.rowCursor = 1;
    m_jobs = ReadJobs(m_settings);
    m_retries = m_retriesGiven.value_or(ReadRetries(m_settings));
    m_warned.clear();
    m_converted = 0;
    m_failed.clear();
    queuePump();
}

void BatchDriver::cancelBatch()
{
    if (m_list.rowCount() == 0)
        return;
    m_state.cancelRequested = true;
    markCancelled();
    QPointer<BatchDriver> self(this);
    m_view.error(QStringLiteral("Conversion Canceled by the user!"), [self] {
        if (self)
            self->afterCancel();
    });
}

void BatchDriver::cancelBatchSilently()
{
    m_state.cancelRequested = true;
    markCancelled();
    afterCancel();
}

void BatchDriver::statusTextChanged(const QString& text)
{
    m_view.setStatusLabels(m_state.cancelRequested ? QStringLiteral("User cancel") : text);
}

void BatchDriver::newWindowRequested()
{
    if (m_state.cancelRequested)
        m_view.setStatusLabels(QStringLiteral("User cancel"));
}

void BatchDriver::nudge()
{
    queuePump();
}

std::chrono::milliseconds BatchDriver::RetryPause(int next)
{
    using namespace std::chrono_literals;
    const int doublings = std::clamp(next - 2, 0, 6);
    return std::min<std::chrono::milliseconds>(1000ms * (1 << doublings), 60s);
}

void BatchDriver::abandonPagesInFlight()
{
    // Pages waiting to be tried again are dropped with them.
    for (auto it = m_retryWaiting.cbegin(); it != m_retryWaiting.cend(); ++it)
        delete it.key();
    m_retryWaiting.clear();
    m_retryReady.clear();
    const auto flights = std::exchange(m_inFlight, {});
    for (auto it = flights.cbegin(); it != flights.cend(); ++it)
        m_runner.abandon(it.key());
    updateReady();
}

void BatchDriver::queuePump()
{
    if (m_pumpQueued)
        return;
    m_pumpQueued = true;
    QMetaObject::invokeMethod(this, &BatchDriver::pump, Qt::QueuedConnection);
}

void BatchDriver::pump()
{
    m_pumpQueued = false;
    if (!m_state.running || m_completing)
        return;
    // A cancelled batch issues nothing more; pages already in flight still finish and mark their rows.
    if (m_state.cancelRequested) {
        stopAfterCancel();
        return;
    }
    if (m_view.holdsNewRows()) {
        m_holdCheck.start();
        return;
    }
    while (!m_retryReady.isEmpty() && m_inFlight.size() < m_jobs && roomForAnotherPage())
        launch(m_retryReady.takeFirst());
    while (m_state.rowCursor <= m_rowCount && m_inFlight.size() < m_jobs && roomForAnotherPage())
        issueRow();
    updateReady();
    if (m_state.rowCursor > m_rowCount && m_inFlight.isEmpty() && m_retryReady.isEmpty() && m_retryWaiting.isEmpty())
        complete();
}

// The pages in flight share the machine's memory: a tall page being laid out can take a GiB or more, so
// another page starts only while that much is free. The first always starts; the rest wait for a page
// to finish, which runs this again.
bool BatchDriver::roomForAnotherPage() const
{
    constexpr qint64 PageReserve = qint64(1) << 30;
    if (m_inFlight.isEmpty())
        return true;
    const qint64 free = m_freeMemory ? m_freeMemory() : MachineResources::probe().availableMemory;
    return free == 0 || free >= PageReserve;
}

void BatchDriver::issueRow()
{
    const int index = int(m_state.rowCursor - 1);
    if (index >= m_list.rowCount()) {
        // Rows removed since the start: there is nothing at this position to convert.
        ++m_state.rowCursor;
        return;
    }
    Flight flight;
    flight.row = m_list.idAt(index);
    flight.address = m_list.address(index);
    launch(flight);
    ++m_state.rowCursor;
}

void BatchDriver::launch(Flight flight)
{
    m_view.setFrameCaption(QStringLiteral("Processing ") + flight.address);

    const PageRunner::Ticket ticket = ++m_nextTicket;
    m_inFlight.insert(ticket, flight);

    QPointer<BatchDriver> self(this);
    // Each try reads the settings anew: a change made meanwhile applies from the next page on.
    m_runner.convert(ticket, flight.address, PageSettings::ReadFrom(m_settings), [self, ticket](PageOutcome outcome) {
        if (self)
            self->pageDone(ticket, std::move(outcome));
    });
    m_state.browserReady = false;
    m_list.setStatusById(flight.row, kProcessing);
}

void BatchDriver::pageDone(PageRunner::Ticket ticket, PageOutcome outcome)
{
    const auto it = m_inFlight.find(ticket);
    if (it == m_inFlight.end())
        return; // abandoned already
    const Flight flight = *it;
    m_inFlight.erase(it);
    finishRow(flight, outcome);
}

// A failed page that may do better later waits its pause on a timer, its row still "Processing" (the
// tool tip says why); the batch goes on with other rows meanwhile.
bool BatchDriver::retryLater(const Flight& flight, const PageOutcome& outcome)
{
    if (flight.tries > m_retries || m_state.cancelRequested || !RetryWorthwhile(flight.address, outcome))
        return false;
    Flight again = flight;
    again.tries += 1;
    const std::chrono::milliseconds pause = RetryPause(again.tries);
    m_list.setStatusById(flight.row, kProcessing,
        QStringLiteral("try %1 of %2 in %3 s: %4")
            .arg(again.tries)
            .arg(m_retries + 1)
            .arg(pause.count() / 1000)
            .arg(outcome.output.error().message));
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [this, timer] {
        const auto it = m_retryWaiting.find(timer);
        if (it == m_retryWaiting.end())
            return;
        m_retryReady.append(*it);
        m_retryWaiting.erase(it);
        timer->deleteLater();
        queuePump();
    });
    m_retryWaiting.insert(timer, again);
    timer->start(pause);
    updateReady();
    queuePump();
    return true;
}

void BatchDriver::finishRow(const Flight& flight, const PageOutcome& outcome)
{
    if (!outcome.output && retryLater(flight, outcome))
        return;
    const int rows = m_list.rowCount();
    if (rows > 0) {
        const auto value = rules::toInteger(m_view.progress() + 100.0 / rows);
        m_view.setProgress(value.value_or(100));
        const RowStatus status = RowStatusOf(outcome);
        m_list.setStatusById(flight.row, status.ok ? kOk : kFailed, status.toolTip);
    }
    if (outcome.output)
        ++m_converted;
    else
        m_failed.append(QStringLiteral("%1: %2").arg(flight.address, outcome.output.error().message));
    emit pageFinished(flight.row, flight.address, outcome, flight.tries);
    if (!outcome.warning.isEmpty() && !m_warned.contains(outcome.warning)) {
        m_warned.append(outcome.warning);
        emit warned(outcome.warning);
    }
    updateReady();
    queuePump();
}

void BatchDriver::markCancelled()
{
    // Pages waiting to be tried again are not tried: their rows say Cancel.
    const bool waited = !m_retryWaiting.isEmpty() || !m_retryReady.isEmpty();
    for (const Flight& flight : std::as_const(m_retryReady))
        m_list.setStatusById(flight.row, kCancel);
    for (auto it = m_retryWaiting.cbegin(); it != m_retryWaiting.cend(); ++it) {
        m_list.setStatusById(it->row, kCancel);
        delete it.key();
    }
    m_retryWaiting.clear();
    m_retryReady.clear();
    if (waited && m_inFlight.isEmpty())
        return;
    if (!m_inFlight.isEmpty()) {
        for (const Flight& flight : std::as_const(m_inFlight))
            m_list.setStatusById(flight.row, kCancel);
        return;
    }
    const int index = int(m_state.rowCursor - 2); // the row before the cursor, 0-based
    if (index >= 0 && index < m_list.rowCount())
        m_list.setStatus(index, kCancel);
}

void BatchDriver::afterCancel()
{
    m_view.setBusyCursor(false);
    m_view.setProgress(0);
    m_view.setProgressPanelVisible(false);
    queuePump();
}

void BatchDriver::stopAfterCancel()
{
    m_state.running = false;
    m_view.setFrameCaption(kIdleCaption);
    emit idle();
}

void BatchDriver::complete()
{
    m_completing = true;
    emit pagesDone();
    m_view.setProgress(100);
    m_view.setFrameCaption(kIdleCaption);
    m_view.setBusyCursor(false);
    QPointer<BatchDriver> self(this);
    // Warnings wait for the end: a message box during the batch would hold back its next rows.
    // A batch with failures says how many, and which: "completed!" alone would read as success.
    QString text = QStringLiteral("Conversion completed!");
    if (!m_failed.isEmpty()) {
        text = QStringLiteral("Conversion completed: %1 converted, %2 failed\n").arg(m_converted).arg(m_failed.size());
        for (const QString& failure : m_failed.mid(0, ListedFailures))
            text += QStringLiteral("\n") + failure;
        if (m_failed.size() > ListedFailures)
            text += QStringLiteral("\n... and %1 more (their rows say why)").arg(m_failed.size() - ListedFailures);
    }
    for (QString warning : std::as_const(m_warned)) {
        warning[0] = warning[0].toUpper();
        text += QStringLiteral("\n\n") + warning + QLatin1Char('.');
    }
    m_view.information(text, [self] {
        if (!self)
            return;
        self->m_view.setProgress(0);
        self->m_state.running = false;
        self->m_state.cancelRequested = false;
        self->m_completing = false;
        self->m_view.setProgressPanelVisible(false);
        self->openOutputFolder();
        emit self->idle();
    });
}

void BatchDriver::openOutputFolder()
{
    m_view.openFolder(OutputFolder(m_settings, m_appHome));
}

void BatchDriver::updateReady()
{
    m_state.browserReady = m_inFlight.size() < std::max(1, m_jobs);
}

} // namespace qm
