#include "platform/FileWrites.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

Result<void> Failed(const QString& path, int number)
{
    return fail(Error::Code::Io, QStringLiteral("cannot write %1: %2").arg(path, qt_error_string(number)));
}

// All of `bytes`, or the errno of what stopped it; a write that moves nothing is a full disk.
int WriteAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return wrote == 0 ? ENOSPC : errno;
        done += wrote;
    }
    return 0;
}

// Flushes to disk when asked and closes; the first failure's errno, else 0.
int Finish(int fd, Durability durability)
{
    int error = 0;
    if (durability == Durability::Synced && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    return error;
}

QString RandomTag()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString tag;
    for (int i = 0; i < 6; ++i)
        tag += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))]);
    return tag;
}

} // namespace

void SyncFolder(const QString& folder)
{
    const int fd = ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    (void)::fsync(fd);
    ::close(fd);
}

Result<void> ReplaceFile(const QString& path, const QByteArray& bytes, Durability durability)
{
    const QFileInfo target(path);
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temporary = Native(target.absolutePath() + QStringLiteral("/.%1-%2.tmp").arg(target.fileName(), RandomTag()));
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt == 100))
            return Failed(path, errno);
    }
    int error = WriteAll(fd, bytes);
    if (const int finished = Finish(fd, durability); error == 0)
        error = finished;
    if (error == 0 && ::rename(temporary.constData(), Native(path).constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        return Failed(path, error);
    }
    if (durability == Durability::Synced)
        SyncFolder(target.absolutePath());
    return {};
}

Result<void> AppendToFile(const QString& path, const QByteArray& bytes, Durability durability)
{
    const int fd = ::open(Native(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return Failed(path, errno);
    struct stat info
    {
    };
    int error = ::fstat(fd, &info) != 0 ? errno : !S_ISREG(info.st_mode) ? EINVAL : 0;
    if (error == 0)
        error = WriteAll(fd, bytes);
    if (const int finished = Finish(fd, durability); error == 0)
        error = finished;
    if (error != 0)
        return Failed(path, error);
    return {};
}

Result<void> RealFolder(const QString& path)
{
    const QByteArray native = Native(path);
    struct stat info
    {
    };
    if (::lstat(native.constData(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return {};
        if (!S_ISLNK(info.st_mode))
            return fail(Error::Code::Io, QStringLiteral("cannot create %1: %2").arg(path, qt_error_string(EEXIST)));
        if (::unlink(native.constData()) != 0)
            return fail(Error::Code::Io, QStringLiteral("cannot create %1: %2").arg(path, qt_error_string(errno)));
    }
    if (::mkdir(native.constData(), 0777) != 0 && errno != EEXIST)
        return fail(Error::Code::Io, QStringLiteral("cannot create %1: %2").arg(path, qt_error_string(errno)));
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return fail(Error::Code::Io, QStringLiteral("cannot create %1: not a folder").arg(path));
    return {};
}

} // namespace qm
