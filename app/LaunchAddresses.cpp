#include "app/LaunchAddresses.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace qm::app {

QStringList LaunchAddresses(const QStringList& arguments, const QString& workingFolder)
{
    QStringList rows;
    for (const QString& argument : arguments) {
        if (argument.trimmed().isEmpty())
            continue;
        const QUrl url(argument);
        if (url.isLocalFile()) {
            rows.append(QDir::cleanPath(url.toLocalFile()));
            continue;
        }
        const QString path = QDir(workingFolder).absoluteFilePath(argument);
        rows.append(QFileInfo(path).isFile() ? QDir::cleanPath(path) : argument);
    }
    return rows;
}

} // namespace qm::app
