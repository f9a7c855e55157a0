#pragma once

#include <QSize>
#include <QString>
#include <span>

namespace qm {

// A phone or tablet as the page sees it: its viewport, pixel density, touch and mobile user agent.
struct DevicePreset
{
    const char* name; // as --device and the "device" setting take it, lower case
    QSize viewport; // CSS pixels
    double scale;
    bool mobile; // touch events and a mobile layout viewport
    const char* userAgent;
};

std::span<const DevicePreset> DevicePresets();
// Case-insensitive; nullptr for an unknown name.
const DevicePreset* FindDevicePreset(const QString& name);
// "iphone-15, pixel-8, ..." for messages and --device list.
QString DevicePresetNamesText();

} // namespace qm
