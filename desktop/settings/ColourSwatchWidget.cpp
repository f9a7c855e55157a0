#include "desktop/settings/ColourSwatchWidget.h"

#include <QMouseEvent>
#include <QPainter>

namespace qm {

ColourSwatchWidget::ColourSwatchWidget(QWidget* parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::Box);
    setCursor(Qt::PointingHandCursor);
    setMinimumSize(44, 22);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ColourSwatchWidget::setColour(const QColor& colour)
{
    m_colour = colour;
    update();
}

void ColourSwatchWidget::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect inner = contentsRect().adjusted(2, 2, -2, -2);
    painter.fillRect(inner, isEnabled() ? m_colour : m_colour.lighter(160));
}

void ColourSwatchWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QFrame::mouseReleaseEvent(event);
}

} // namespace qm
