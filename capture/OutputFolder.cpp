#include "capture/OutputFolder.h"

#include "settings/ReadingRules.h"
#include "settings/SettingsSource.h"

namespace qm {

QString OutputFolder(const SettingsSource& settings, const QString& appHome)
{
    const QString folder = settings.read(QStringLiteral("set"), QStringLiteral("outputfolder"));
    if (folder.isEmpty() || rules::equalsNumber(folder, 0))
        return appHome;
    return folder;
}

} // namespace qm
