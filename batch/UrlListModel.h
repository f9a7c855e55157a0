#pragma once

#include <QAbstractTableModel>
#include <QList>

namespace qm {

// The URL list: address, output format shown, status (and the reason of a failure, shown as the
// status's tool tip). Each row has an id that survives removals and moves, so a capture marks the row
// it was started for, wherever that row is now.
class UrlListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { AddressColumn = 0, FormatColumn = 1, StatusColumn = 2 };
    using RowId = quint64;

    explicit UrlListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    RowId appendUrl(const QString& address, const QString& format);
    void removeUrl(int row);
    void clearAll();
    void setAllFormats(const QString& format);

    // Positions are 0-based here.
    QString address(int row) const;
    QString format(int row) const;
    QString status(int row) const;
    QString reason(int row) const;
    RowId idAt(int row) const;
    int rowOf(RowId id) const; // -1 when the row is gone

    void setStatus(int row, const QString& status, const QString& reason = {});
    bool setStatusById(RowId id, const QString& status, const QString& reason = {}); // false: row gone

private:
    struct Row
    {
        RowId id;
        QString address;
        QString format;
        QString status;
        QString reason;
    };
    QList<Row> m_rows;
    RowId m_nextId = 1;
};

} // namespace qm
