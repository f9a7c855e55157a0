#pragma once

#include <QObject>
#include <memory>

#include "platform/Error.h"

namespace qm {

class Clock;
class ScheduleListModel;
class ScheduleStore;
class PageRunner;
class SchedulerRunner;
class SettingsSource;

// The scheduler of one program run: the task list, its file and the timer that converts due tasks
// through `pages`. Lives as long as the program; the Schedule window shows it.
class Scheduler : public QObject
{
    Q_OBJECT
public:
    Scheduler(const QString& schedulePath, std::unique_ptr<PageRunner> pages, const SettingsSource& settings,
        const Clock& clock, QObject* parent = nullptr);
    ~Scheduler() override;

    // Loads schedule.dat (created empty when missing) and arms the timer; tasks whose time has already
    // passed stay in the list but never run.
    Result<void> start();

    ScheduleListModel& model() { return *m_model; }
    ScheduleStore& store() { return *m_store; }
    SchedulerRunner& runner() { return *m_runner; }
    const Clock& clock() const { return m_clock; }

private:
    const Clock& m_clock;
    std::unique_ptr<PageRunner> m_pages;
    std::unique_ptr<ScheduleListModel> m_model;
    std::unique_ptr<ScheduleStore> m_store;
    std::unique_ptr<SchedulerRunner> m_runner;
};

} // namespace qm
