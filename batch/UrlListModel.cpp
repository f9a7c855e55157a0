#include "batch/UrlListModel.h"

#include "platform/VisibleText.h"

namespace qm {

UrlListModel::UrlListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

int UrlListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int UrlListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant UrlListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row& row = m_rows[index.row()];
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        switch (index.column()) {
        case AddressColumn:
            return row.address;
        case FormatColumn:
            return row.format;
        case StatusColumn:
            return row.status;
        default:
            return {};
        }
    }
    if (role == Qt::ToolTipRole) {
        if (index.column() == StatusColumn && !row.reason.isEmpty())
            return VisibleText(row.reason);
        return tr("Double Click to Visit at the URL");
    }
    return {};
}

QVariant UrlListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case AddressColumn:
        return QStringLiteral("URL List");
    case FormatColumn:
        return QStringLiteral("Output Format");
    case StatusColumn:
        return QStringLiteral("Status");
    default:
        return {};
    }
}

UrlListModel::RowId UrlListModel::appendUrl(const QString& address, const QString& format)
{
    const int at = int(m_rows.size());
    beginInsertRows({}, at, at);
    m_rows.append(Row { m_nextId++, address, format, {}, {} });
    endInsertRows();
    return m_rows.last().id;
}

void UrlListModel::removeUrl(int row)
{
    if (row < 0 || row >= m_rows.size())
        return;
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
}

void UrlListModel::clearAll()
{
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void UrlListModel::setAllFormats(const QString& format)
{
    for (Row& row : m_rows)
        row.format = format;
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, FormatColumn), index(int(m_rows.size()) - 1, FormatColumn));
}

QString UrlListModel::address(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].address : QString();
}

QString UrlListModel::format(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].format : QString();
}

QString UrlListModel::status(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].status : QString();
}

QString UrlListModel::reason(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].reason : QString();
}

UrlListModel::RowId UrlListModel::idAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].id : 0;
}

int UrlListModel::rowOf(RowId id) const
{
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].id == id)
            return i;
    }
    return -1;
}

void UrlListModel::setStatus(int row, const QString& status, const QString& reason)
{
    if (row < 0 || row >= m_rows.size())
        return;
    m_rows[row].status = status;
    m_rows[row].reason = reason;
    emit dataChanged(index(row, StatusColumn), index(row, StatusColumn));
}

bool UrlListModel::setStatusById(RowId id, const QString& status, const QString& reason)
{
    const int row = rowOf(id);
    if (row < 0)
        return false;
    setStatus(row, status, reason);
    return true;
}

} // namespace qm
