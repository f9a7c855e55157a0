#pragma once

#include <QTreeView>

namespace qm {

class UrlListModel;

// The URL list as a report view. Takes files dropped from the file manager and asks
// for the popup menu on a right press; the commands themselves belong to the main window.
class UrlListWidget : public QTreeView
{
    Q_OBJECT
public:
    explicit UrlListWidget(UrlListModel* model, QWidget* parent = nullptr);

    int selectedRow() const; // 0-based, -1 when none

signals:
    void filesDropped(const QStringList& paths);
    void popupRequested(const QPoint& globalPosition);
    void visitRequested();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

} // namespace qm
