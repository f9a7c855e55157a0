#include "scheduler/SchedulerRunner.h"

#include <QPointer>

#include "capture/OutputFolder.h"
#include "capture/PageSettings.h"
#include "platform/Clock.h"
#include "report/BatchReport.h"
#include "scheduler/DueRule.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsSource.h"

namespace qm {

SchedulerRunner::SchedulerRunner(
    ScheduleListModel& model, PageRunner& pages, const SettingsSource& settings, const Clock& clock, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_pages(pages)
    , m_settings(settings)
    , m_clock(clock)
{
    m_timer.setInterval(1000);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SchedulerRunner::tick);
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, &SchedulerRunner::onRowsGone);
    connect(&m_model, &QAbstractItemModel::modelReset, this, &SchedulerRunner::onRowsGone);
}

SchedulerRunner::~SchedulerRunner()
{
    if (m_running)
        m_pages.abandon(m_ticket);
    if (m_report)
        (void)m_report->finish(); // its pages so far; the rest stay "not yet converted"
}

void SchedulerRunner::start()
{
    m_lastTick = m_clock.now();
    m_timer.start();
}

void SchedulerRunner::tick()
{
    if (m_running)
        return;
    const QDateTime now = m_clock.now();
    // A clock set back must not bring tasks that already ran back into the window.
    if (!m_lastTick.isValid() || now > m_lastTick) {
        const QDateTime previous = m_lastTick.isValid() ? m_lastTick : now;
        for (int position : DueTasks(previous, now, m_model.dueCandidates()))
            m_queue.append(m_model.idAt(position));
        m_lastTick = now;
    }
    while (!m_queue.isEmpty()) {
        const ScheduleListModel::TaskId id = m_queue.takeFirst();
        const int row = m_model.rowOf(id);
        if (row < 0)
            continue; // removed while it waited
        launch(id, m_model.task(row).url);
        return;
    }
}

void SchedulerRunner::launch(ScheduleListModel::TaskId id, const QString& url)
{
    m_timer.stop();
    m_running = id;
    const PageRunner::Ticket ticket = ++m_ticket;
    m_model.setStatusById(id, ScheduleListModel::Done);
    reportLaunch(url);
    emit taskStarted(id, url);
    QPointer<SchedulerRunner> self(this);
    m_pages.convert(ticket, url, PageSettings::ReadFrom(m_settings), [self, ticket](PageOutcome outcome) {
        if (self && self->m_running && ticket == self->m_ticket)
            self->finish(outcome);
    });
}

void SchedulerRunner::finish(const PageOutcome& outcome)
{
    const ScheduleListModel::TaskId id = *m_running;
    m_running.reset();
    // As in the main window's list; the row already reads "Done" from the start.
    const RowStatus status = RowStatusOf(outcome);
    if (!status.ok || !status.toolTip.isEmpty())
        m_model.setStatusById(id, status.ok ? ScheduleListModel::Done : ScheduleListModel::Failed, status.toolTip);
    m_timer.start();
    reportFinish(outcome);
    emit taskFinished(id, status.ok, status.ok ? QString() : status.toolTip);
}

void SchedulerRunner::reportLaunch(const QString& url)
{
    if (!m_report) {
        if (!ReadFlag(m_settings, keys::Report))
            return;
        QStringList run { url };
        for (ScheduleListModel::TaskId queued : std::as_const(m_queue))
            if (const int row = m_model.rowOf(queued); row >= 0)
                run.append(m_model.task(row).url);
        auto report = BatchReport::create(OutputFolder(m_settings, m_appHome), run);
        if (!report)
            return; // the tasks run without it
        m_report = std::move(*report);
        m_reportRow = -1;
    }
    // The next row of this address: a queued task removed meanwhile keeps its row, not yet converted.
    for (int row = m_reportRow + 1; row < m_report->rowCount(); ++row) {
        if (m_report->row(row).address == url) {
            m_reportRow = row;
            return;
        }
    }
    m_reportRow = m_report->rowCount(); // fell due during this run: the next run's report has it
}

void SchedulerRunner::reportFinish(const PageOutcome& outcome)
{
    if (!m_report)
        return;
    (void)m_report->record(m_reportRow, outcome, 1); // a row out of range is not this run's
    if (m_queue.isEmpty() || m_reportRow + 1 >= m_report->rowCount()) {
        (void)m_report->finish();
        m_report.reset();
    }
}

void SchedulerRunner::onRowsGone()
{
    if (m_model.rowCount() > 0)
        return;
    m_queue.clear();
    if (m_report) {
        (void)m_report->finish();
        m_report.reset();
    }
    if (!m_running)
        return;
    // Nothing is left to mark; the page is dropped and the timer runs again for tasks added later.
    m_pages.abandon(m_ticket);
    m_running.reset();
    m_timer.start();
}

} // namespace qm
