#include "batch/SelectedFiles.h"

#include <QFileInfo>

namespace qm {

SelectedFiles ParseSelectedFiles(const QStringList& chosen)
{
    SelectedFiles info;
    if (chosen.isEmpty())
        return info;
    info.folder = QFileInfo(chosen.first()).path();
    if (!info.folder.endsWith(QLatin1Char('/')))
        info.folder += QLatin1Char('/');
    for (const QString& path : chosen) {
        info.names.append(QFileInfo(path).fileName());
        ++info.count;
    }
    return info;
}

} // namespace qm
