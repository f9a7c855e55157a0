#include "platform/cdp/ProfileFolder.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <unistd.h>

namespace qm::cdp {

namespace {

const QString Prefix = QStringLiteral("quillmark-browser-");
const QString OwnerFile = QStringLiteral("quillmark-owner");
// A folder without an owner record (being made right now, or from an older version) is taken for
// stale only after this long, and only when no browser uses it.
constexpr qint64 UnlockedAgeSeconds = 3600;
// One holding no file at all is what a browser left behind while it shut down after its folder had
// gone (it recreates its profile's empty folders): stale as soon as it is no longer being made.
constexpr qint64 EmptyAgeSeconds = 60;

// A process's start time (clock ticks after boot), which tells a reused process id from the owner.
QByteArray StartTime(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray stat = file.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 19 ? fields[19] : QByteArray();
}

QByteArray OwnerRecord(qint64 pid)
{
    const QByteArray start = StartTime(pid);
    return start.isEmpty() ? QByteArray() : QByteArray::number(pid) + ' ' + start;
}

QByteArray ReadRecord(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
}

bool HoldsAFile(const QString& folder)
{
    return QDirIterator(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories).hasNext();
}

// Whether a running process was started with `folder` as its profile.
bool InUse(const QString& folder)
{
    const QByteArray needle = "--user-data-dir=" + folder.toLocal8Bit();
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (!entry.front().isDigit())
            continue;
        QFile file(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& argument : file.readAll().split('\0')) {
            if (argument == needle)
                return true;
        }
    }
    return false;
}

} // namespace

ProfileFolder::ProfileFolder(QString path)
    : m_path(std::move(path))
{
}

ProfileFolder::~ProfileFolder()
{
    QDir(m_path).removeRecursively();
}

qm::Result<std::unique_ptr<ProfileFolder>> ProfileFolder::create()
{
    QTemporaryDir dir(QDir::tempPath() + QLatin1Char('/') + Prefix + QStringLiteral("XXXXXX"));
    if (!dir.isValid())
        return qm::fail(
            qm::Error::Code::Io, QStringLiteral("Cannot create a browser profile folder: %1").arg(dir.errorString()));
    dir.setAutoRemove(false);
    std::unique_ptr<ProfileFolder> folder(new ProfileFolder(dir.path()));
    QFile owner(dir.filePath(OwnerFile));
    if (!owner.open(QIODevice::WriteOnly) || owner.write(OwnerRecord(::getpid())) < 0)
        return qm::fail(qm::Error::Code::Io,
            QStringLiteral("Cannot write in the browser profile folder %1: %2").arg(dir.path(), owner.errorString()));
    return folder;
}

void ProfileFolder::removeStale()
{
    const QDir temp(QDir::tempPath());
    const auto now = QDateTime::currentDateTimeUtc();
    const QFileInfoList entries
        = temp.entryInfoList({ Prefix + QLatin1Char('*') }, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink() || entry.ownerId() != ::geteuid())
            continue;
        const QByteArray record = ReadRecord(QDir(entry.filePath()).filePath(OwnerFile));
        const bool ownerRuns = !record.isEmpty() && OwnerRecord(record.split(' ').value(0).toLongLong()) == record;
        const qint64 age = entry.lastModified().secsTo(now);
        const bool young
            = record.isEmpty() && age < (HoldsAFile(entry.filePath()) ? UnlockedAgeSeconds : EmptyAgeSeconds);
        // A browser whose owner was killed still writes its profile while it shuts down: removing the
        // folder under it would leave a recreated one without an owner record.
        if (ownerRuns || young || InUse(entry.filePath()))
            continue;
        QDir(entry.filePath()).removeRecursively();
    }
}

} // namespace qm::cdp
