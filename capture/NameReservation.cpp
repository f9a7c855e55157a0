#include "capture/NameReservation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace qm {

namespace {

enum class Claim { Taken, Claimed, Failed };

Claim claim(const QString& path, int& error)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::close(fd);
        return Claim::Claimed;
    }
    error = errno;
    return error == EEXIST ? Claim::Taken : Claim::Failed;
}

} // namespace

Result<QString> ReserveName(const QString& first, const QString& base, const QString& extension, bool numbering)
{
    const QString folder = QFileInfo(first).absolutePath();
    if (!QDir().mkpath(folder))
        return fail(Error::Code::Io, QStringLiteral("cannot create the folder %1").arg(folder));
    if (!numbering)
        return first;

    // Far more than any folder holds; only a pathological folder gets here.
    constexpr qint64 attempts = 1'000'000;
    QString path = first;
    for (qint64 n = 0; n <= attempts; ++n) {
        int error = 0;
        switch (claim(path, error)) {
        case Claim::Claimed:
            return path;
        case Claim::Failed:
            return fail(Error::Code::Io, QStringLiteral("cannot create %1: %2").arg(path, qt_error_string(error)));
        case Claim::Taken:
            break;
        }
        path = base + u'_' + QString::number(n) + u'.' + extension;
    }
    return fail(Error::Code::Io, QStringLiteral("no free name for %1 in %2").arg(first, folder));
}

} // namespace qm
