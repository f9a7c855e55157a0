#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace qm {

// One scheduled task as kept in schedule.dat: start time (as text), address, status, comment.
struct ScheduleTask
{
    QString startTime;
    QString url;
    QString status;
    QString comment;

    bool operator==(const ScheduleTask&) const = default;
};

// The tasks of schedule.dat's text: one per line (CR LF, CR or LF), fields split at every tab; missing
// fields are empty, fields after the fourth ignored, an empty line is a task with four empty fields.
QList<ScheduleTask> ParseSchedule(QByteArrayView bytes);

// One line per task, the four fields joined by tabs, CR LF after each; UTF-8. A tab or line break
// inside a field becomes a space, so that no field moves into the next one on reading.
QByteArray FormatSchedule(const QList<ScheduleTask>& tasks);

// Local date and time of a start-time text: "yyyy-MM-dd HH:mm:ss" (what FormatStartTime writes), the
// system locale's short forms, and US forms such as "12/6/2026 9:38:00 PM". nullopt when none fits.
std::optional<QDateTime> ParseStartTime(const QString& text);

// "yyyy-MM-dd HH:mm:ss", the same whatever the user's regional settings.
QString FormatStartTime(const QDateTime& at);

} // namespace qm
