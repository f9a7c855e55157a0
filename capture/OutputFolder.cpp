#include "capture/OutputFolder.h"

#include "settings/ReadingRules.h"
#include "settings/SettingKeys.h"

namespace qm {

QString OutputFolder(const SettingsSource& settings, const QString& appHome)
{
    const QString folder = ReadText(settings, keys::OutputFolder);
    if (folder.isEmpty() || rules::equalsNumber(folder, 0))
        return appHome;
    return folder;
}

} // namespace qm
