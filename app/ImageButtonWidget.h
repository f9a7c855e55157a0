#pragma once

#include <QFrame>
#include <QPixmap>

class QLabel;

namespace qm::app {

// An image button of the toolbar or the progress panel: an icon drawn from an SVG file, a caption
// label under it (the label is a sibling, placed by the owner), a click on release.
class ImageButtonWidget : public QFrame
{
    Q_OBJECT
public:
    ImageButtonWidget(const QString& name, const QString& iconPath, QWidget* parent = nullptr);

    void setFramed(bool framed);
    bool isFramed() const { return frameShape() != QFrame::NoFrame; }

signals:
    void clicked();
    void hovered();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap m_icon;
};

// An image button with its caption label under it, as one column.
QWidget* WithCaption(ImageButtonWidget* image, const QString& labelName, const QString& caption);

} // namespace qm::app
