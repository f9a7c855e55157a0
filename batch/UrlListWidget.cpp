#include "batch/UrlListWidget.h"

#include <QDragEnterEvent>
#include <QHeaderView>
#include <QMimeData>

#include "batch/UrlListModel.h"

namespace qm {

UrlListWidget::UrlListWidget(UrlListModel* model, QWidget* parent)
    : QTreeView(parent)
{
    setModel(model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAlternatingRowColors(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DropOnly);
    setToolTip(QStringLiteral("Double Click to Visit at the URL"));
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(UrlListModel::AddressColumn, QHeaderView::Stretch);
    header()->setSectionResizeMode(UrlListModel::FormatColumn, QHeaderView::Fixed);
    header()->setSectionResizeMode(UrlListModel::StatusColumn, QHeaderView::Fixed);
    header()->resizeSection(UrlListModel::FormatColumn, 120);
    header()->resizeSection(UrlListModel::StatusColumn, 110);
}

int UrlListWidget::selectedRow() const
{
    const QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void UrlListWidget::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void UrlListWidget::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void UrlListWidget::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    event->acceptProposedAction();
    if (!paths.isEmpty())
        emit filesDropped(paths);
}

void UrlListWidget::mousePressEvent(QMouseEvent* event)
{
    QTreeView::mousePressEvent(event);
    if (event->button() == Qt::RightButton)
        emit popupRequested(event->globalPosition().toPoint());
}

void UrlListWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit visitRequested();
}

} // namespace qm
