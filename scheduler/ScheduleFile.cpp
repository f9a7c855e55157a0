#include "scheduler/ScheduleFile.h"

#include "settings/TextFile.h"
#include "settings/TextLines.h"

namespace qm {

Result<QList<ScheduleTask>> ReadScheduleFile(const QString& path)
{
    const Result<QByteArray> bytes = ReadTextFile(path);
    if (!bytes) {
        if (bytes.error().code == Error::Code::NotFound)
            return QList<ScheduleTask> {};
        return std::unexpected(bytes.error());
    }
    const std::optional<QByteArray> text = text::AsUtf8Text(*bytes);
    if (!text)
        return fail(Error::Code::Unsupported, QStringLiteral("%1 is not a schedule").arg(path));
    return ParseSchedule(*text);
}

Result<void> WriteScheduleFile(const QString& path, const QList<ScheduleTask>& tasks)
{
    return WriteFileAtomically(path, FormatSchedule(tasks));
}

} // namespace qm
