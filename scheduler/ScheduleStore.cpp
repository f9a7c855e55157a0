#include "scheduler/ScheduleStore.h"

#include <QFile>
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
    m_changed = false;
    Result<void> outcome;
    if (!QFileInfo::exists(m_path)) {
        m_model.setTasks({});
        outcome = WriteScheduleFile(m_path, {});
    } else {
        Result<QList<ScheduleTask>> tasks = ReadScheduleFile(m_path);
        m_model.setTasks(tasks ? *tasks : QList<ScheduleTask> {});
        m_keepAside = !tasks;
        if (!tasks)
            outcome = std::unexpected(tasks.error());
    }
    m_loading = false;
    return outcome;
}

Result<void> ScheduleStore::save()
{
    // The tasks of a file that could not be read are still the user's: it is moved aside, never written over.
    if (m_keepAside && !m_changed)
        return {}; // nothing of the user's has replaced it yet: the file stays as it is
    if (m_keepAside && QFileInfo::exists(m_path)) {
        QString aside = m_path + QStringLiteral(".unreadable");
        for (int n = 2; QFileInfo::exists(aside); ++n)
            aside = m_path + QStringLiteral(".unreadable-%1").arg(n);
        if (!QFile::rename(m_path, aside))
            return fail(Error::Code::Io,
                QStringLiteral("%1 could not be read nor moved aside; the schedule was not saved").arg(m_path));
        m_keptAside = aside;
    }
    m_keepAside = false;
    return WriteScheduleFile(m_path, m_model.tasks());
}

void ScheduleStore::onChanged()
{
    // Loading replaces the list with what the file holds; writing it straight back would gain nothing.
    if (m_loading)
        return;
    m_changed = true;
    (void)save();
}

} // namespace qm
