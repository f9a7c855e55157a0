#include "queue/OutputRoot.h"

#include <QDir>
#include <QFileInfo>

#include "queue/RealPaths.h"
#include "settings/ReadingRules.h"

namespace qm::queue {

Result<OutputRoot> OutputRoot::open(const QString& path)
{
    if (!QDir().mkpath(path))
        return fail(Error::Code::Io, QStringLiteral("cannot create the output root %1").arg(path));
    const QString real = QFileInfo(path).canonicalFilePath();
    if (real.isEmpty() || !QFileInfo(real).isDir())
        return fail(Error::Code::Io, QStringLiteral("the output root %1 is not a folder").arg(path));
    return OutputRoot(real);
}

Result<QString> OutputRoot::folderFor(const QString& jobFolder) const
{
    const QString given = jobFolder.trimmed();
    QString folder = m_path;
    if (!given.isEmpty() && !rules::equalsNumber(given, 0))
        folder = QDir::isRelativePath(given) ? m_path + u'/' + given : given;
    const auto outside = [&] {
        return fail(Error::Code::Usage,
            QStringLiteral("the job's output folder %1 is outside the worker's output root %2").arg(given, m_path));
    };
    const QString real = RealPath(folder);
    if (!IsInside(real, m_path))
        return outside();
    if (!QDir().mkpath(real))
        return fail(Error::Code::Io, QStringLiteral("cannot create the output folder %1").arg(real));
    // The folders made just now lie under a real folder inside the root; looked at again all the same.
    const QString made = QFileInfo(real).canonicalFilePath();
    if (!IsInside(made, m_path))
        return outside();
    return made;
}

Result<void> OutputRoot::checkName(const QString& name)
{
    QString shown = name;
    bool control = false;
    for (QChar& c : shown) {
        if (c.category() == QChar::Other_Control) {
            c = u'?';
            control = true;
        }
    }
    if (name.isEmpty() || name.contains(u'/') || name == QLatin1String(".") || name == QLatin1String("..") || control)
        return fail(Error::Code::Usage,
            QStringLiteral("the job's file name \"%1\" is not a name in its output folder: it may hold no / and no "
                           "control characters")
                .arg(shown));
    return {};
}

} // namespace qm::queue
