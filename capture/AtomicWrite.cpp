#include "capture/AtomicWrite.h"

#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <cstdio>

namespace qm {

Result<void> WriteFileAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(Error::Code::Io, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.commit())
        return fail(Error::Code::Io, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return {};
}

Result<void> ReplaceFile(const QString& from, const QString& to)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        const int error = errno;
        return fail(Error::Code::Io, QStringLiteral("cannot move %1 to %2: %3").arg(from, to, qt_error_string(error)));
    }
    return {};
}

} // namespace qm
