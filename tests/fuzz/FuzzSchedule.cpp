#include <cstdint>
#include <cstdlib>

#include "scheduler/ScheduleText.h"

// Any bytes as schedule.dat: what loads must save and load again unchanged, and start times parse
// to valid times or to nothing.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QList<qm::ScheduleTask> tasks = qm::ParseSchedule(QByteArrayView(data, qsizetype(size)));
    if (qm::ParseSchedule(qm::FormatSchedule(tasks)) != tasks)
        std::abort();
    for (const qm::ScheduleTask& task : tasks) {
        const std::optional<QDateTime> at = qm::ParseStartTime(task.startTime);
        if (at && !at->isValid())
            std::abort();
    }
    return 0;
}
