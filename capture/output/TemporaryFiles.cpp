#include "capture/output/TemporaryFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QRandomGenerator>
#include <QSet>
#include <QSysInfo>
#include <cerrno>
#include <optional>

#include <signal.h>
#include <unistd.h>

namespace qm {

namespace {

const QString kPrefix = QStringLiteral(".quillmark-");
const QString kSuffix = QStringLiteral(".tmp");

// The machine's short name in letters, digits and '-': enough to tell machines sharing a folder apart.
const QString& HostTag()
{
    static const QString tag = [] {
        QString tag;
        for (const QChar c : QSysInfo::machineHostName().section(u'.', 0, 0)) {
            if ((c.isLetterOrNumber() && c.unicode() < 128) || c == u'-')
                tag.append(c);
        }
        return tag.isEmpty() ? QStringLiteral("host") : tag.left(32);
    }();
    return tag;
}

struct Owner
{
    qint64 pid = 0;
    QString host;
};

// The writer named in one of our temporary file names; nothing for any other name.
std::optional<Owner> OwnerOf(const QString& name)
{
    if (!name.startsWith(kPrefix) || !name.endsWith(kSuffix))
        return std::nullopt;
    const QStringList parts = name.sliced(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size()).split(u'-');
    bool pidOk = false;
    bool randomOk = false;
    Owner owner { parts.value(0).toLongLong(&pidOk), parts.mid(2).join(u'-') };
    parts.value(1).toUInt(&randomOk, 16);
    if (parts.size() < 3 || !pidOk || owner.pid <= 0 || !randomOk || owner.host.isEmpty())
        return std::nullopt;
    return owner;
}

bool Gone(const Owner& owner)
{
    if (owner.host != HostTag())
        return false;
    return ::kill(static_cast<pid_t>(owner.pid), 0) != 0 && errno == ESRCH;
}

} // namespace

QString NewTemporaryFileName()
{
    return kPrefix + QString::number(::getpid()) + u'-'
        + QStringLiteral("%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')) + u'-' + HostTag()
        + kSuffix;
}

void SweepStaleTemporaryFiles(const QString& folder)
{
    const QDateTime oldest = QDateTime::currentDateTimeUtc().addSecs(
        -std::chrono::duration_cast<std::chrono::seconds>(StaleTemporaryAge).count());
    const QDir dir(folder);
    const auto entries
        = dir.entryInfoList({ kPrefix + u'*' + kSuffix }, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        const auto owner = OwnerOf(entry.fileName());
        if (owner && (Gone(*owner) || entry.lastModified() < oldest))
            QFile::remove(entry.filePath());
    }
}

void SweepStaleTemporaryFilesOnce(const QString& folder)
{
    static QMutex mutex;
    static QSet<QString> swept;
    const QString key = QDir::cleanPath(QDir(folder).absolutePath());
    {
        const QMutexLocker lock(&mutex);
        if (swept.contains(key))
            return;
        swept.insert(key);
    }
    SweepStaleTemporaryFiles(key);
}

} // namespace qm
