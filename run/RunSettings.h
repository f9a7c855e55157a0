#pragma once

#include "run/ConvertOptions.h"

namespace qm {
class OverriddenSettings;
}

namespace qm::run {

// Puts the settings a run's options give (format, folder, time limit, page controls...) in front of
// settings.dat; options left out leave the file's values.
void ApplyRunSettings(const ConvertOptions& options, OverriddenSettings& settings);

} // namespace qm::run
