#pragma once

#include "settings/PageSettingsCheck.h"

namespace qm {

// The device presets and ReadPageControls' checks, for the settings dialog.
PageSettingsCheck PageControlsCheck();

} // namespace qm
