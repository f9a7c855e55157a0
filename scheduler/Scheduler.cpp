#include "scheduler/Scheduler.h"

#include <QFileInfo>

#include "capture/PageRunner.h"
#include "scheduler/ScheduleListModel.h"
#include "scheduler/ScheduleStore.h"
#include "scheduler/SchedulerRunner.h"

namespace qm {

Scheduler::Scheduler(const QString& schedulePath, std::unique_ptr<PageRunner> pages, const SettingsSource& settings,
    const Clock& clock, QObject* parent)
    : QObject(parent)
    , m_clock(clock)
    , m_pages(std::move(pages))
    , m_model(std::make_unique<ScheduleListModel>())
    , m_store(std::make_unique<ScheduleStore>(schedulePath, *m_model))
    , m_runner(std::make_unique<SchedulerRunner>(*m_model, *m_pages, settings, clock))
{
    // schedule.dat lives in the app home.
    m_runner->setAppHome(QFileInfo(schedulePath).absolutePath());
}

Scheduler::~Scheduler()
{
    // The runner may still have a page in flight; stop it before the parts it uses go away.
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
