#include "app/ImageButtonWidget.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QVBoxLayout>

namespace qm::app {

namespace {
constexpr int kIconSize = 40;
constexpr int kBoxSize = 50;
} // namespace

ImageButtonWidget::ImageButtonWidget(const QString& name, const QString& iconPath, QWidget* parent)
    : QFrame(parent)
{
    setObjectName(name);
    setFixedSize(kBoxSize, kBoxSize);
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
    setFrameShape(QFrame::NoFrame);
    setLineWidth(1);
    const qreal ratio = devicePixelRatioF();
    m_icon = QPixmap(QSize(kIconSize, kIconSize) * ratio);
    m_icon.fill(Qt::transparent);
    QSvgRenderer renderer(iconPath);
    if (renderer.isValid()) {
        QPainter painter(&m_icon);
        renderer.render(&painter);
    }
    m_icon.setDevicePixelRatio(ratio);
}

void ImageButtonWidget::setFramed(bool framed)
{
    setFrameShape(framed ? QFrame::Box : QFrame::NoFrame);
}

void ImageButtonWidget::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    const int offset = (kBoxSize - kIconSize) / 2;
    painter.drawPixmap(offset, offset, m_icon);
}

void ImageButtonWidget::enterEvent(QEnterEvent* event)
{
    QFrame::enterEvent(event);
    emit hovered();
}

void ImageButtonWidget::mouseMoveEvent(QMouseEvent* event)
{
    event->accept(); // not the strip's: the strip would take every frame away
    emit hovered();
}

void ImageButtonWidget::mouseReleaseEvent(QMouseEvent* event)
{
    QFrame::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

QWidget* WithCaption(ImageButtonWidget* image, const QString& labelName, const QString& caption)
{
    auto* column = new QWidget;
    auto* label = new QLabel(caption, column);
    label->setObjectName(labelName);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    layout->addWidget(image, 0, Qt::AlignHCenter);
    layout->addWidget(label, 0, Qt::AlignHCenter);
    return column;
}

} // namespace qm::app
