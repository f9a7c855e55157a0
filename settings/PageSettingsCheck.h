#pragma once

#include <QStringList>
#include <functional>

#include "platform/Error.h"

namespace qm {

class SettingsSource;

// What the settings dialog's Page tab needs from the capture layer, which sits above it: the device
// presets' names, and the check that every "page" value in a source can be used (the message names
// the first one that cannot).
struct PageSettingsCheck
{
    QStringList devices;
    std::function<Result<void>(const SettingsSource&)> check;
};

} // namespace qm
