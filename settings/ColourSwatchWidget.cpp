#include "settings/ColourSwatchWidget.h"

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

QColor ColourFromRgbValue(qint64 value)
{
    return QColor(int(value & 0xff), int((value >> 8) & 0xff), int((value >> 16) & 0xff));
}

qint64 RgbValueFromColour(const QColor& colour)
{
    return qint64(colour.red()) | (qint64(colour.green()) << 8) | (qint64(colour.blue()) << 16);
}

} // namespace qm
