#include "scheduler/ScheduleStore.h"

#include <QFileInfo>

#include "scheduler/ScheduleFile.h"
#include "scheduler/ScheduleListModel.h"

namespace qm {

ScheduleStore::ScheduleStore(QString path, ScheduleListModel& model, QObject* parent)
    : QObject(parent)
    , m_path(std::move(path))
    , m_model(model)
{
    connect(&m_model, &ScheduleListModel::changed, this, &ScheduleStore::onChanged);
}

Result<void> ScheduleStore::load()
{
    m_loading = true;
    Result<void> outcome;
    if (!QFileInfo::exists(m_path)) {
        m_model.setTasks({});
        outcome = WriteScheduleFile(m_path, {});
    } else {
        Result<QList<ScheduleTask>> tasks = ReadScheduleFile(m_path);
        m_model.setTasks(tasks ? *tasks : QList<ScheduleTask> {});
        if (!tasks)
            outcome = std::unexpected(tasks.error());
    }
    m_loading = false;
    return outcome;
}

Result<void> ScheduleStore::save()
{
    return WriteScheduleFile(m_path, m_model.tasks());
}

void ScheduleStore::onChanged()
{
    // Loading replaces the list with what the file holds; writing it straight back would gain nothing.
    if (!m_loading)
        (void)save();
}

} // namespace qm
