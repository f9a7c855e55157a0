#include "scheduler/ScheduleFile.h"

#include "settings/TextFile.h"

namespace qm {

Result<QList<ScheduleTask>> ReadScheduleFile(const QString& path)
{
    const Result<QByteArray> bytes = ReadTextFile(path);
    if (!bytes) {
        if (bytes.error().code == Error::Code::NotFound)
            return QList<ScheduleTask> {};
        return std::unexpected(bytes.error());
    }
    return ParseSchedule(*bytes);
}

Result<void> WriteScheduleFile(const QString& path, const QList<ScheduleTask>& tasks)
{
    return WriteFileAtomically(path, FormatSchedule(tasks));
}

} // namespace qm
