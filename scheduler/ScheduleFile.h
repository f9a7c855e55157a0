#pragma once

#include <QList>
#include <QString>

#include "platform/Error.h"
#include "scheduler/ScheduleText.h"

namespace qm {

// The tasks of schedule.dat (see ParseSchedule). A missing file is an empty list; a file that cannot
// be read, is not a regular file or is too large is an error.
Result<QList<ScheduleTask>> ReadScheduleFile(const QString& path);

// Replaces schedule.dat in one step: a failed write leaves the previous file as it was.
Result<void> WriteScheduleFile(const QString& path, const QList<ScheduleTask>& tasks);

} // namespace qm
