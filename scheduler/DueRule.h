#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

namespace qm {

// A task as the due rule sees it.
struct DueCandidate
{
    QString startTime; // the row's start-time text, parsed here
    QDateTime addedAt; // when the task entered the list; invalid: before the program started
};

// Which tasks fall due between two ticks: those whose start time lies in (previousTick, thisTick] and
// after the moment they were added. A late tick therefore misses nothing, and a start time already past
// when the task was added (or when the program started, which is the first "previous tick") never runs.
// Texts that do not parse are never due. Returns positions in `tasks`, earliest start time first, list
// order among equal times.
QList<int> DueTasks(const QDateTime& previousTick, const QDateTime& thisTick, const QList<DueCandidate>& tasks);

} // namespace qm
