#include "capture/NameReservation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>

#include <sys/stat.h>

#include "capture/output/OutputFile.h"

namespace qm {

namespace {

// Far more than any folder holds; only a pathological folder gets here.
constexpr qint64 kAttempts = 1'000'000;

QMutex& HeldMutex()
{
    static QMutex mutex;
    return mutex;
}

QSet<QString>& Held()
{
    static QSet<QString> held;
    return held;
}

// Nothing at the path, not even a dangling link. A name that cannot be looked at (too long, no access)
// counts as free: the output's own write then fails with the reason, naming the output.
bool Vacant(const QString& path)
{
    struct stat info
    {
    };
    return ::lstat(QFile::encodeName(path).constData(), &info) != 0;
}

QString Numbered(const QString& base, qint64 n, const QString& extension)
{
    return base + u'_' + QString::number(n) + u'.' + extension;
}

} // namespace

HeldName::HeldName(HeldName&& other) noexcept
    : m_path(std::move(other.m_path))
    , m_held(std::exchange(other.m_held, false))
{
}

HeldName& HeldName::operator=(HeldName&& other) noexcept
{
    if (this != &other) {
        release();
        m_path = std::move(other.m_path);
        m_held = std::exchange(other.m_held, false);
    }
    return *this;
}

HeldName::~HeldName()
{
    release();
}

void HeldName::release()
{
    if (!std::exchange(m_held, false))
        return;
    const QMutexLocker lock(&HeldMutex());
    Held().remove(m_path);
}

Result<HeldName> HeldName::hold(const QString& first, const QString& base, const QString& extension, bool numbering)
{
    const QString folder = QFileInfo(first).absolutePath();
    if (!QDir().mkpath(folder))
        return fail(Error::Code::Io, QStringLiteral("cannot create the folder %1").arg(folder));
    HeldName name;
    name.m_path = first;
    if (!numbering)
        return name;
    const QMutexLocker lock(&HeldMutex());
    for (qint64 n = 0; n <= kAttempts; ++n) {
        if (!Held().contains(name.m_path) && Vacant(name.m_path)) {
            Held().insert(name.m_path);
            name.m_held = true;
            return name;
        }
        name.m_path = Numbered(base, n, extension);
    }
    return fail(Error::Code::Io, QStringLiteral("no free name for %1 in %2").arg(first, folder));
}

Result<QString> ClaimName(
    OutputFile& file, const QString& first, const QString& base, const QString& extension, bool numbering)
{
    if (!numbering) {
        if (auto landed = file.land(first, true); !landed)
            return std::unexpected(landed.error());
        return first;
    }
    QString path = first;
    for (qint64 n = 0; n <= kAttempts; ++n) {
        auto landed = file.land(path, false);
        if (!landed)
            return std::unexpected(landed.error());
        if (*landed)
            return path;
        path = Numbered(base, n, extension);
    }
    return fail(
        Error::Code::Io, QStringLiteral("no free name for %1 in %2").arg(first, QFileInfo(first).absolutePath()));
}

} // namespace qm
