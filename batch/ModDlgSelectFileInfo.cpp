#include "batch/ModDlgSelectFileInfo.h"

#include <QFileInfo>
#include <limits>

namespace qm {

SelectedFileInfo ParseSelectedFiles(const QStringList& chosen)
{
    SelectedFileInfo info;
    if (chosen.isEmpty())
        return info;
    info.folder = QFileInfo(chosen.first()).path();
    if (!info.folder.endsWith(QLatin1Char('/')))
        info.folder += QLatin1Char('/');
    for (const QString& path : chosen) {
        if (info.count == std::numeric_limits<qint16>::max())
            break;
        info.names.append(QFileInfo(path).fileName());
        ++info.count;
    }
    return info;
}

} // namespace qm
