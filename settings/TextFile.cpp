#include "settings/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

// All of `bytes` to `fd`, then to the disk; errno tells why not.
bool WriteDurably(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0) {
            if (wrote == 0)
                errno = ENOSPC;
            return false;
        }
        done += wrote;
    }
    return ::fsync(fd) == 0;
}

QByteArray HiddenName(const QString& path)
{
    const QFileInfo info(path);
    return QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName()
        + QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
}

} // namespace

Result<void> WriteFileAtomically(const QString& named, const QByteArray& bytes)
{
    // A link stays a link: the file it leads to is the one replaced.
    const QFileInfo link(named);
    const QString path = !link.isSymLink()   ? named
        : link.canonicalFilePath().isEmpty() ? link.symLinkTarget()
                                             : link.canonicalFilePath();
    const QFileInfo existing(path);
    if (existing.exists() && !existing.isFile())
        return fail(Error::Code::Io, QStringLiteral("%1 is not a regular file").arg(path));
    // A file its owner made read-only stays as it is, even for a user (root) whom the system lets through
    // and although the rename below would replace it.
    if (existing.exists() && !existing.permissions().testFlag(QFileDevice::WriteOwner))
        return fail(Error::Code::Io, QStringLiteral("cannot write %1: the file is read-only").arg(path));
    const auto failed = [&path](int error) {
        return fail(Error::Code::Io, QStringLiteral("cannot write %1: %2").arg(path, qt_error_string(error)));
    };
    struct stat previous
    {
    };
    const QByteArray target = QFile::encodeName(path);
    const bool replacing = ::stat(target.constData(), &previous) == 0;
    const mode_t mode = replacing ? (previous.st_mode & 07777) : 0666;
    // A nameless file where the system allows it, so that nothing is left if the program dies here.
    const QByteArray folder = QFile::encodeName(existing.absolutePath());
    QByteArray temporary;
    int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd < 0) {
        temporary = HiddenName(path);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0)
            return failed(errno);
    }
    const auto abandon = [&](int error) {
        ::close(fd);
        if (!temporary.isEmpty())
            ::unlink(temporary.constData());
        return failed(error);
    };
    if ((replacing && ::fchmod(fd, mode) != 0) || !WriteDurably(fd, bytes))
        return abandon(errno);
    if (temporary.isEmpty()) {
        temporary = HiddenName(path);
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, temporary.constData(), AT_SYMLINK_FOLLOW) != 0) {
            temporary.clear();
            return abandon(errno);
        }
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return failed(error);
    }
    if (::rename(temporary.constData(), target.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return failed(error);
    }
    // The new name on disk too; a folder that refuses this loses nothing.
    if (const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
    return {};
}

} // namespace qm
