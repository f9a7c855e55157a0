#include "app/ToolbarWidget.h"

#include <QEvent>
#include <QHBoxLayout>

#include "app/ImageButtonWidget.h"
#include "platform/AppHome.h"

namespace qm::app {

ToolbarWidget::ToolbarWidget(QWidget* parent)
    : QFrame(parent)
{
    setMouseTracking(true);
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(2);
}

ImageButtonWidget* ToolbarWidget::addImage(
    const QString& name, const QString& icon, const QString& labelName, const QString& caption)
{
    auto* image = new ImageButtonWidget(name, AppHome::shareFile(QStringLiteral("icons/") + icon));
    QWidget* column = WithCaption(image, labelName, caption);
    column->setMouseTracking(true);
    // The space around an image and its caption belongs to the strip.
    column->installEventFilter(this);
    layout()->addWidget(column);
    m_images.append(image);
    connect(image, &ImageButtonWidget::hovered, this, [this, image] { frameOnly(image); });
    return image;
}

void ToolbarWidget::addStretch()
{
    static_cast<QHBoxLayout*>(layout())->addStretch();
}

void ToolbarWidget::frameOnly(ImageButtonWidget* image)
{
    for (ImageButtonWidget* each : m_images)
        each->setFramed(each == image);
}

void ToolbarWidget::mouseMoveEvent(QMouseEvent* event)
{
    QFrame::mouseMoveEvent(event);
    frameOnly(nullptr);
}

bool ToolbarWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove)
        frameOnly(nullptr);
    return QFrame::eventFilter(watched, event);
}

} // namespace qm::app
