#include "scheduler/SchedulerRunner.h"

#include "platform/Clock.h"
#include "scheduler/DueRule.h"
#include "scheduler/TaskCapture.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsSource.h"

namespace qm {

SchedulerRunner::SchedulerRunner(
    ScheduleListModel& model, TaskCapture& capture, const SettingsSource& settings, const Clock& clock, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_capture(capture)
    , m_settings(settings)
    , m_clock(clock)
{
    m_timer.setInterval(1000);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SchedulerRunner::tick);
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, &SchedulerRunner::onTimeLimit);
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, &SchedulerRunner::onRowsGone);
    connect(&m_model, &QAbstractItemModel::modelReset, this, &SchedulerRunner::onRowsGone);
}

SchedulerRunner::~SchedulerRunner()
{
    if (m_running)
        m_capture.abandon();
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
    const quint64 generation = ++m_generation;
    m_model.setStatusById(id, ScheduleListModel::Done);
    emit taskStarted(id, url);
    m_currentLimit = ReadPageTimeout(m_settings);
    m_limit.start(m_currentLimit);
    m_capture.start(url, m_currentLimit, [this, generation](Result<void> outcome) {
        if (generation == m_generation && m_running)
            finish(outcome);
    });
}

void SchedulerRunner::finish(const Result<void>& outcome)
{
    const ScheduleListModel::TaskId id = *m_running;
    m_running.reset();
    ++m_generation;
    m_limit.stop();
    const QString reason = outcome ? QString() : outcome.error().message;
    if (!outcome)
        m_model.setStatusById(id, ScheduleListModel::Failed, reason);
    m_timer.start();
    emit taskFinished(id, bool(outcome), reason);
}

void SchedulerRunner::onTimeLimit()
{
    if (!m_running)
        return;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(m_currentLimit);
    m_capture.abandon();
    finish(fail(
        Error::Code::Timeout, QStringLiteral("The page did not complete within %1 s.").arg(qint64(seconds.count()))));
}

void SchedulerRunner::onRowsGone()
{
    if (m_model.rowCount() > 0)
        return;
    m_queue.clear();
    if (!m_running)
        return;
    // Nothing is left to mark; the capture is dropped and the timer runs again for tasks added later.
    m_capture.abandon();
    m_running.reset();
    ++m_generation;
    m_limit.stop();
    m_timer.start();
}

} // namespace qm
