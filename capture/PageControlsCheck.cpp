#include "capture/PageControlsCheck.h"

#include "capture/DevicePresets.h"
#include "capture/PageControls.h"

namespace qm {

PageSettingsCheck PageControlsCheck()
{
    PageSettingsCheck check;
    for (const DevicePreset& preset : DevicePresets())
        check.devices.append(QLatin1String(preset.name));
    check.check = [](const SettingsSource& settings) -> Result<void> {
        if (auto controls = ReadPageControls(settings); !controls)
            return std::unexpected(controls.error());
        return {};
    };
    return check;
}

} // namespace qm
