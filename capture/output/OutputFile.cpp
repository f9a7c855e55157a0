#include "capture/output/OutputFile.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "capture/output/TemporaryFiles.h"
#include "platform/FileWrites.h"

namespace qm {

namespace {

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

enum class Claim { Done, Taken, Unsupported, Failed };

struct Attempt
{
    Claim claim = Claim::Done;
    int error = 0;
};

// What a claiming call's result and errno mean.
Attempt Outcome(int result)
{
    if (result == 0)
        return {};
    const int error = errno;
    switch (error) {
    case EEXIST:
        return { Claim::Taken, error };
    case EINVAL:
    case ENOSYS:
    case ENOTSUP:
    case EPERM:
    case EMLINK:
        return { Claim::Unsupported, error };
    default:
        return { Claim::Failed, error };
    }
}

Attempt ClaimExclusively(const QByteArray& from, const QByteArray& to)
{
    Attempt attempt = Outcome(::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE));
    if (attempt.claim != Claim::Unsupported)
        return attempt;
    // No exclusive rename here (NFS, some FUSE file systems): a hard link is exclusive too.
    attempt = Outcome(::link(from.constData(), to.constData()));
    if (attempt.claim == Claim::Done)
        ::unlink(from.constData());
    if (attempt.claim != Claim::Unsupported)
        return attempt;
    // Neither (some network shares): the name is taken empty, then replaced at once.
    const int fd = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return Outcome(fd);
    ::close(fd);
    attempt = Outcome(::rename(from.constData(), to.constData()));
    if (attempt.claim != Claim::Done) {
        ::unlink(to.constData());
        attempt.claim = Claim::Failed;
    }
    return attempt;
}

} // namespace

Result<std::unique_ptr<OutputFile>> OutputFile::create(const QString& target)
{
    const QString folder = QFileInfo(target).absolutePath();
    SweepStaleTemporaryFilesOnce(folder);
    for (int attempt = 0;; ++attempt) {
        const QString path = folder + u'/' + NewTemporaryFileName();
        const int fd = ::open(Native(path).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
            return std::unique_ptr<OutputFile>(new OutputFile(fd, path, target));
        const int error = errno;
        if (error != EEXIST || attempt == 100) {
            auto failure
                = fail(Error::Code::Io, QStringLiteral("cannot write %1: %2").arg(target, qt_error_string(error)));
            errno = error; // for callers that report the number
            return failure;
        }
    }
}

OutputFile::OutputFile(int fd, QString path, QString target)
    : m_fd(fd)
    , m_path(std::move(path))
    , m_target(std::move(target))
{
    QIODevice::open(QIODevice::ReadWrite | QIODevice::Unbuffered);
}

OutputFile::~OutputFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_landed)
        ::unlink(Native(m_path).constData());
}

void OutputFile::record(int number)
{
    if (m_errno == 0)
        m_errno = number != 0 ? number : EIO;
}

Error OutputFile::errorFor(int number, const QString& name) const
{
    return Error::make(Error::Code::Io, QStringLiteral("cannot write %1: %2").arg(name, qt_error_string(number)));
}

Error OutputFile::failure() const
{
    return errorFor(m_errno, m_target);
}

qint64 OutputFile::size() const
{
    struct stat info
    {
    };
    if (m_fd < 0 || ::fstat(m_fd, &info) != 0)
        return 0;
    return info.st_size;
}

qint64 OutputFile::readData(char* data, qint64 maxSize)
{
    if (m_fd < 0)
        return -1;
    const ssize_t got = ::pread(m_fd, data, static_cast<size_t>(maxSize), pos());
    return got < 0 ? -1 : got;
}

qint64 OutputFile::writeData(const char* data, qint64 size)
{
    if (m_errno != 0 || m_fd < 0 || m_finished)
        return -1;
    qint64 done = 0;
    while (done < size) {
        const ssize_t wrote = ::pwrite(m_fd, data + done, static_cast<size_t>(size - done), pos() + done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0) {
            // A short write that then writes nothing is the disk being full.
            record(wrote == 0 ? ENOSPC : errno);
            setErrorString(qt_error_string(m_errno));
            return -1;
        }
        done += wrote;
    }
    return done;
}

Result<void> OutputFile::writeAll(const QByteArray& bytes)
{
    if (write(bytes) != bytes.size())
        record(EIO);
    if (failed())
        return std::unexpected(failure());
    return {};
}

Result<void> OutputFile::finish()
{
    if (!m_finished) {
        m_finished = true;
        if (m_errno == 0 && ::fsync(m_fd) != 0)
            record(errno);
        if (::close(m_fd) != 0)
            record(errno);
        m_fd = -1;
        QIODevice::close();
    }
    if (failed())
        return std::unexpected(failure());
    return {};
}

Result<bool> OutputFile::land(const QString& name, bool replace)
{
    if (auto finished = finish(); !finished)
        return std::unexpected(finished.error());
    if (m_landed)
        return fail(Error::Code::Io, QStringLiteral("cannot write %1: the file has been moved already").arg(name));
    const QByteArray from = Native(m_path);
    const QByteArray to = Native(name);
    Attempt attempt = replace ? Outcome(::rename(from.constData(), to.constData())) : ClaimExclusively(from, to);
    switch (attempt.claim) {
    case Claim::Done:
        m_landed = true;
        SyncFolder(QFileInfo(name).absolutePath());
        return true;
    case Claim::Taken:
        if (!replace)
            return false;
        break;
    case Claim::Unsupported:
    case Claim::Failed:
        break;
    }
    return std::unexpected(errorFor(attempt.error, name));
}

} // namespace qm
