#include "settings/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace qm {

Result<QByteArray> ReadTextFile(const QString& path, qint64 limit)
{
    const QFileInfo info(path);
    if (!info.exists())
        return fail(Error::Code::NotFound, QStringLiteral("%1 does not exist").arg(path));
    // Opening a pipe or a device could block or never end.
    if (!info.isFile())
        return fail(Error::Code::Io, QStringLiteral("%1 is not a regular file").arg(path));
    if (info.size() > limit)
        return fail(Error::Code::Unsupported,
            QStringLiteral("%1 is too large (%2 bytes, at most %3)").arg(path).arg(info.size()).arg(limit));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(Error::Code::Io, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    // The file may have grown since it was measured; one byte more tells.
    QByteArray bytes = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(Error::Code::Io, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    if (bytes.size() > limit)
        return fail(Error::Code::Unsupported, QStringLiteral("%1 is too large (over %2 bytes)").arg(path).arg(limit));
    return bytes;
}

Result<void> WriteFileAtomically(const QString& path, const QByteArray& bytes)
{
    const QFileInfo existing(path);
    if (existing.exists() && !existing.isFile())
        return fail(Error::Code::Io, QStringLiteral("%1 is not a regular file").arg(path));
    // A file its owner made read-only stays as it is, even for a user (root) whom the system lets through.
    if (existing.exists() && !existing.permissions().testFlag(QFileDevice::WriteOwner))
        return fail(Error::Code::Io, QStringLiteral("cannot write %1: the file is read-only").arg(path));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(Error::Code::Io, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    if (existing.exists())
        file.setPermissions(existing.permissions());
    if (file.write(bytes) != bytes.size() || !file.commit())
        return fail(Error::Code::Io, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return {};
}

} // namespace qm
