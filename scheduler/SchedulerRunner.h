#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <optional>

#include "platform/Error.h"
#include "scheduler/ScheduleListModel.h"

namespace qm {

class Clock;
class SettingsSource;
class TaskCapture;

// The one-second timer of the Schedule window. Each tick asks the due rule which tasks fell due since
// the previous tick and starts them one at a time: the row turns "Done" as its navigation starts, and
// the timer waits until the capture ends, fails at the page time limit, or the list is emptied.
// Tasks that fell due meanwhile are kept in order and run afterwards.
class SchedulerRunner : public QObject
{
    Q_OBJECT
public:
    SchedulerRunner(ScheduleListModel& model, TaskCapture& capture, const SettingsSource& settings, const Clock& clock,
        QObject* parent = nullptr);
    ~SchedulerRunner() override; // abandons a running capture

    // Arms the timer; the present moment counts as the first tick, so start times already past never run.
    void start();
    // One tick at the clock's present time; the timer calls it, tests call it to step a fake clock.
    void tick();

    bool isArmed() const { return m_timer.isActive(); }
    bool isCapturing() const { return m_running.has_value(); }
    int queuedCount() const { return int(m_queue.size()); }

signals:
    void taskStarted(qm::ScheduleListModel::TaskId id, const QString& url);
    // `ok` false: `reason` says why (also the status's tool tip).
    void taskFinished(qm::ScheduleListModel::TaskId id, bool ok, const QString& reason);

private:
    void launch(ScheduleListModel::TaskId id, const QString& url);
    void finish(const Result<void>& outcome);
    void onTimeLimit();
    void onRowsGone();

    ScheduleListModel& m_model;
    TaskCapture& m_capture;
    const SettingsSource& m_settings;
    const Clock& m_clock;
    QTimer m_timer;
    QTimer m_limit;
    QDateTime m_lastTick;
    QList<ScheduleListModel::TaskId> m_queue;
    std::optional<ScheduleListModel::TaskId> m_running;
    quint64 m_generation = 0;
    std::chrono::milliseconds m_currentLimit { 0 };
};

} // namespace qm
