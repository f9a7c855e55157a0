#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>

#include "capture/PageRunner.h"
#include "scheduler/ScheduleListModel.h"

namespace qm {

class BatchReport;
class Clock;
class SettingsSource;

// The one-second timer of the Schedule window. Each tick asks the due rule which tasks fell due since
// the previous tick and converts them one at a time through `pages`: the row turns "Done" as its
// navigation starts, and the timer waits until the page ends (the runner ends it at the page time limit
// at the latest) or the list is emptied.
// Tasks that fell due meanwhile are kept in order and run afterwards.
class SchedulerRunner : public QObject
{
    Q_OBJECT
public:
    SchedulerRunner(ScheduleListModel& model, PageRunner& pages, const SettingsSource& settings, const Clock& clock,
        QObject* parent = nullptr);
    ~SchedulerRunner() override; // abandons a running page

    // The app home, where an output folder of "0" or empty puts the run's report.
    void setAppHome(const QString& appHome) { m_appHome = appHome; }

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
    void finish(const PageOutcome& outcome);
    void onRowsGone();
    // With the "report" setting on, the tasks due together are a run with a report of its own, which
    // replaces the previous one in the output folder.
    void reportLaunch(const QString& url);
    void reportFinish(const PageOutcome& outcome);

    ScheduleListModel& m_model;
    PageRunner& m_pages;
    const SettingsSource& m_settings;
    const Clock& m_clock;
    QTimer m_timer;
    QDateTime m_lastTick;
    QList<ScheduleListModel::TaskId> m_queue;
    std::optional<ScheduleListModel::TaskId> m_running;
    PageRunner::Ticket m_ticket = 0; // the running page's; a later answer under an older one is stale
    QString m_appHome;
    std::unique_ptr<BatchReport> m_report;
    int m_reportRow = -1; // the running task's row in the report
};

} // namespace qm
