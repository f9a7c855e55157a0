#include "scheduler/ScheduleListModel.h"

#include "platform/VisibleText.h"

namespace qm {

ScheduleListModel::ScheduleListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
    connect(this, &QAbstractItemModel::rowsInserted, this, &ScheduleListModel::changed);
    connect(this, &QAbstractItemModel::rowsRemoved, this, &ScheduleListModel::changed);
    connect(this, &QAbstractItemModel::modelReset, this, &ScheduleListModel::changed);
    connect(this, &QAbstractItemModel::dataChanged, this, &ScheduleListModel::changed);
}

int ScheduleListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ScheduleListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 4;
}

QVariant ScheduleListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row& row = m_rows[index.row()];
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        switch (index.column()) {
        case StartTimeColumn:
            return row.task.startTime;
        case UrlColumn:
            return row.task.url;
        case StatusColumn:
            return row.task.status;
        case CommentColumn:
            return row.task.comment;
        default:
            return {};
        }
    }
    if (role == Qt::ToolTipRole && index.column() == StatusColumn && !row.reason.isEmpty())
        return VisibleText(row.reason);
    return {};
}

QVariant ScheduleListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case StartTimeColumn:
        return QStringLiteral("Start time");
    case UrlColumn:
        return QStringLiteral("Url");
    case StatusColumn:
        return QStringLiteral("Status");
    case CommentColumn:
        return QStringLiteral("Comment");
    default:
        return {};
    }
}

void ScheduleListModel::setTasks(const QList<ScheduleTask>& tasks)
{
    beginResetModel();
    m_rows.clear();
    for (const ScheduleTask& task : tasks)
        m_rows.append(Row { m_nextId++, task, {}, {} });
    endResetModel();
}

ScheduleListModel::TaskId ScheduleListModel::appendTask(const ScheduleTask& task, const QDateTime& addedAt)
{
    const int at = int(m_rows.size());
    beginInsertRows({}, at, at);
    m_rows.append(Row { m_nextId++, task, addedAt, {} });
    endInsertRows();
    return m_rows.last().id;
}

void ScheduleListModel::removeTask(int row)
{
    if (row < 0 || row >= m_rows.size())
        return;
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
}

void ScheduleListModel::clearAll()
{
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

QList<ScheduleTask> ScheduleListModel::tasks() const
{
    QList<ScheduleTask> all;
    all.reserve(m_rows.size());
    for (const Row& row : m_rows)
        all.append(row.task);
    return all;
}

ScheduleTask ScheduleListModel::task(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].task : ScheduleTask {};
}

ScheduleListModel::TaskId ScheduleListModel::idAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].id : 0;
}

int ScheduleListModel::rowOf(TaskId id) const
{
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].id == id)
            return i;
    }
    return -1;
}

QString ScheduleListModel::reason(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].reason : QString();
}

bool ScheduleListModel::setStatusById(TaskId id, const QString& status, const QString& reason)
{
    const int row = rowOf(id);
    if (row < 0)
        return false;
    m_rows[row].task.status = status;
    m_rows[row].reason = reason;
    const QModelIndex cell = index(row, StatusColumn);
    emit dataChanged(cell, cell);
    return true;
}

QList<DueCandidate> ScheduleListModel::dueCandidates() const
{
    QList<DueCandidate> candidates;
    candidates.reserve(m_rows.size());
    for (const Row& row : m_rows)
        candidates.append(DueCandidate { row.task.startTime, row.addedAt });
    return candidates;
}

} // namespace qm
