#include "desktop/settings/SettingsWidgetsUi.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>

namespace qm {

QSlider* Slider(const char* name, int minimum, int maximum, int pageStep, int singleStep, int start)
{
    auto* slider = Named<QSlider>(name, Qt::Horizontal);
    slider->setRange(minimum, maximum);
    slider->setPageStep(pageStep);
    slider->setSingleStep(singleStep);
    slider->setValue(start);
    return slider;
}

QWidget* WithValue(QSlider* slider)
{
    auto* box = new QWidget;
    auto* value = new QLabel(QString::number(slider->value()));
    value->setObjectName(slider->objectName() + QStringLiteral("Value"));
    value->setMinimumWidth(28);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QObject::connect(slider, &QSlider::valueChanged, value, [value](int v) { value->setText(QString::number(v)); });
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(slider, 1);
    layout->addWidget(value);
    return box;
}

} // namespace qm
