#include "platform/cdp/FileAccess.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace qm::cdp {

namespace {

// The real path (links followed, so a link inside the folder cannot lead out of it); for a missing
// file, its cleaned absolute path.
QString RealPath(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    const QFileInfo info(QDir::cleanPath(path));
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? info.absoluteFilePath() : folder + QLatin1Char('/') + info.fileName();
}

bool Inside(const QString& path, const QString& folder)
{
    if (folder.isEmpty())
        return false;
    const QString root = RealPath(folder);
    return path == root || path.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
}

} // namespace

FileAccess FileAccess::fromSetting(const QString& value)
{
    FileAccess access;
    for (const QString& part : value.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString entry = part.trimmed();
        if (entry.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0)
            access.all = true;
        else if (!entry.isEmpty())
            access.folders.append(entry);
    }
    return access;
}

bool FileAccess::allows(const QString& pageUrl, const QString& fileUrl) const
{
    if (all)
        return true;
    const QUrl page(pageUrl);
    const QUrl file(fileUrl);
    if (!page.isLocalFile() || !file.isLocalFile())
        return false;
    const QString path = RealPath(file.toLocalFile());
    if (Inside(path, QFileInfo(page.toLocalFile()).absolutePath()))
        return true;
    for (const QString& folder : folders) {
        if (Inside(path, folder))
            return true;
    }
    return false;
}

} // namespace qm::cdp
