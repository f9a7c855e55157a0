#include "scheduler/Scheduler.h"

#include "scheduler/ScheduleListModel.h"
#include "scheduler/ScheduleStore.h"
#include "scheduler/SchedulerRunner.h"
#include "scheduler/TaskCapture.h"

namespace qm {

Scheduler::Scheduler(const QString& schedulePath, std::unique_ptr<TaskCapture> capture, const SettingsSource& settings,
    const Clock& clock, QObject* parent)
    : QObject(parent)
    , m_clock(clock)
    , m_capture(std::move(capture))
    , m_model(std::make_unique<ScheduleListModel>())
    , m_store(std::make_unique<ScheduleStore>(schedulePath, *m_model))
    , m_runner(std::make_unique<SchedulerRunner>(*m_model, *m_capture, settings, clock))
{
}

Scheduler::~Scheduler()
{
    // The runner may still hold a capture; stop it before the parts it uses go away.
    m_runner.reset();
    m_store.reset();
}

Result<void> Scheduler::start()
{
    Result<void> loaded = m_store->load();
    m_runner->start();
    return loaded;
}

} // namespace qm
