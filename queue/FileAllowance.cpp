#include "queue/FileAllowance.h"

#include <QDir>
#include <QFileInfo>

#include "platform/cdp/FileAccess.h"
#include "queue/RealPaths.h"

namespace qm::queue {

Result<FileAllowance> FileAllowance::fromOptions(const QStringList& given)
{
    FileAllowance allowance;
    for (const QString& entry : given) {
        allowance.m_worker = true;
        if (entry.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0) {
            allowance.m_all = true;
            continue;
        }
        const QString real = QFileInfo(entry).canonicalFilePath();
        if (real.isEmpty() || !QFileInfo(real).isDir())
            return fail(Error::Code::Usage, QStringLiteral("--allow-files %1: no such folder").arg(entry));
        // The setting that carries the folders to the page separates them with ';'.
        if (real.contains(u';'))
            return fail(
                Error::Code::Usage, QStringLiteral("--allow-files %1: a folder with ';' in its path").arg(entry));
        allowance.m_folders.append(real);
    }
    if (allowance.m_all)
        allowance.m_folders.clear();
    return allowance;
}

FileAllowance FileAllowance::narrowedTo(const QString& jobSetting) const
{
    const cdp::FileAccess asked = cdp::FileAccess::fromSetting(jobSetting);
    if (!m_worker || asked.all || asked.folders.isEmpty())
        return *this;
    FileAllowance narrowed;
    narrowed.m_worker = true;
    for (const QString& folder : asked.folders) {
        const QString real = QDir::isAbsolutePath(folder) ? RealPath(folder) : QString();
        if (covers(real) && !real.contains(u';'))
            narrowed.m_folders.append(real);
    }
    return narrowed;
}

bool FileAllowance::covers(const QString& realPath) const
{
    if (realPath.isEmpty())
        return false;
    if (m_all)
        return true;
    return std::any_of(
        m_folders.begin(), m_folders.end(), [&](const QString& folder) { return IsInside(realPath, folder); });
}

Error FileAllowance::refusal(const QString& what, const QString& path) const
{
    if (!m_worker)
        return Error::make(Error::Code::Usage,
            QStringLiteral("local files are not allowed on this worker (it has no --allow-files): %1 %2")
                .arg(what, path));
    return Error::make(Error::Code::Usage,
        QStringLiteral("%1 %2 is outside the folders this worker lets jobs read (%3)")
            .arg(what, path,
                m_folders.isEmpty() ? QStringLiteral("none left by the job's allowfiles")
                                    : m_folders.join(QLatin1String(", "))));
}

Result<void> FileAllowance::admitsPage(const QString& path) const
{
    const QString absolute = QDir::cleanPath(QDir(QStringLiteral("/")).absoluteFilePath(path));
    // The page reads the files of its own folder, as the browser tab sees it: the folder it was named in.
    if (!m_worker || !covers(RealPath(absolute)) || !covers(RealPath(QFileInfo(absolute).absolutePath())))
        return std::unexpected(refusal(QStringLiteral("the local page"), path));
    return {};
}

Result<void> FileAllowance::admitsFile(const QString& path, const QString& what) const
{
    if (!m_worker || !covers(RealPath(QFileInfo(path).absoluteFilePath())))
        return std::unexpected(refusal(what, path));
    return {};
}

QString FileAllowance::setting() const
{
    return m_all ? QStringLiteral("all") : m_folders.join(u';');
}

} // namespace qm::queue
