#pragma once

#include <QString>

class QSlider;
class QWidget;

namespace qm {

// Small builders shared by the two tabs of the settings dialog.
template<typename T, typename... Args> T* Named(const char* name, Args&&... args)
{
    auto* widget = new T(std::forward<Args>(args)...);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QSlider* Slider(const char* name, int minimum, int maximum, int pageStep, int singleStep, int start);

// A slider with its position shown beside it.
QWidget* WithValue(QSlider* slider);

} // namespace qm
