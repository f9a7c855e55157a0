#pragma once

#include <QString>

namespace qm {

class SettingsSource;

// The "outputfolder" setting resolved as the pipeline saves into it: the number 0 or the empty text mean
// the app home (an empty text would otherwise point at the file system's root).
QString OutputFolder(const SettingsSource& settings, const QString& appHome);

} // namespace qm
