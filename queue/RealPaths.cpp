#include "queue/RealPaths.h"

#include <QDir>
#include <QFileInfo>

namespace qm::queue {

QString RealPath(const QString& absolutePath)
{
    QString existing = QDir::cleanPath(absolutePath);
    QString rest;
    // A link that leads nowhere "exists" as a link only; it is followed (and fails) like any other.
    while (!QFileInfo::exists(existing) && !QFileInfo(existing).isSymLink()) {
        const qsizetype slash = existing.lastIndexOf(u'/');
        if (slash < 0)
            return {};
        rest.prepend(existing.sliced(slash));
        existing = slash == 0 ? QStringLiteral("/") : existing.left(slash);
    }
    const QString real = QFileInfo(existing).canonicalFilePath();
    if (real.isEmpty())
        return {};
    return real == QLatin1String("/") && !rest.isEmpty() ? rest : real + rest;
}

bool IsInside(const QString& path, const QString& folder)
{
    if (path.isEmpty() || folder.isEmpty())
        return false;
    if (path == folder || folder == QLatin1String("/"))
        return true;
    return path.startsWith(folder) && path.at(folder.size()) == u'/';
}

} // namespace qm::queue
