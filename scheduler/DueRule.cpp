#include "scheduler/DueRule.h"

#include <algorithm>

#include "scheduler/ScheduleFile.h"

namespace qm {

QList<int> DueTasks(const QDateTime& previousTick, const QDateTime& thisTick, const QList<DueCandidate>& tasks)
{
    struct Due
    {
        QDateTime at;
        int position;
    };
    QList<Due> due;
    if (!previousTick.isValid() || !thisTick.isValid() || thisTick <= previousTick)
        return {};
    for (int i = 0; i < tasks.size(); ++i) {
        const std::optional<QDateTime> at = ParseStartTime(tasks[i].startTime);
        if (!at || !at->isValid())
            continue;
        if (*at <= previousTick || *at > thisTick)
            continue;
        if (tasks[i].addedAt.isValid() && *at < tasks[i].addedAt)
            continue;
        due.append(Due { *at, i });
    }
    std::stable_sort(due.begin(), due.end(), [](const Due& a, const Due& b) { return a.at < b.at; });
    QList<int> positions;
    positions.reserve(due.size());
    for (const Due& d : due)
        positions.append(d.position);
    return positions;
}

} // namespace qm
