#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <QList>

#include "scheduler/DueRule.h"
#include "scheduler/ScheduleFile.h"

namespace qm {

// The scheduled tasks as the Schedule window lists them: start time, address, status, comment. Each row
// has an id that survives removals, so a capture marks the task it was started for, wherever it is now.
// The moment a row was added is kept (not saved) so that the due rule can skip start times already past.
class ScheduleListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { StartTimeColumn = 0, UrlColumn = 1, StatusColumn = 2, CommentColumn = 3 };
    using TaskId = quint64;

    static inline const QString Waiting = QStringLiteral("Waiting");
    static inline const QString Done = QStringLiteral("Done");
    static inline const QString Failed = QStringLiteral("Failed");

    explicit ScheduleListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Replaces every row (loading the file); these rows count as present before the program started.
    void setTasks(const QList<ScheduleTask>& tasks);
    TaskId appendTask(const ScheduleTask& task, const QDateTime& addedAt);
    void removeTask(int row); // out of range: nothing happens
    void clearAll();

    QList<ScheduleTask> tasks() const;
    ScheduleTask task(int row) const; // 0-based
    TaskId idAt(int row) const;
    int rowOf(TaskId id) const; // -1 when the row is gone
    QString reason(int row) const; // why a task failed; shown as the status's tool tip, not saved

    bool setStatusById(TaskId id, const QString& status, const QString& reason = {}); // false: row gone

    QList<DueCandidate> dueCandidates() const;

signals:
    // Any change of the rows or their texts.
    void changed();

private:
    struct Row
    {
        TaskId id;
        ScheduleTask task;
        QDateTime addedAt;
        QString reason;
    };
    QList<Row> m_rows;
    TaskId m_nextId = 1;
};

} // namespace qm
