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

} // namespace

bool NothingAt(const QString& path)
{
    struct stat info
    {
    };
    return ::lstat(QFile::encodeName(path).constData(), &info) != 0;
}

Result<QString> NumberedName(const QString& first, const QString& base, const QString& extension,
    const std::function<Result<bool>(const QString& path)>& take)
{
    QString path = first;
    for (qint64 n = 0; n <= kAttempts; ++n) {
        auto taken = take(path);
        if (!taken)
            return std::unexpected(taken.error());
        if (*taken)
            return path;
        path = base + u'_' + QString::number(n) + u'.' + extension;
    }
    return fail(
        Error::Code::Io, QStringLiteral("no free name for %1 in %2").arg(first, QFileInfo(first).absolutePath()));
}

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
    auto held = NumberedName(first, base, extension,
        [](const QString& path) -> Result<bool> { return !Held().contains(path) && NothingAt(path); });
    if (!held)
        return std::unexpected(held.error());
    name.m_path = *held;
    Held().insert(name.m_path);
    name.m_held = true;
    return name;
}

Result<QString> ClaimName(
    OutputFile& file, const QString& first, const QString& base, const QString& extension, bool numbering)
{
    if (!numbering) {
        if (auto landed = file.land(first, true); !landed)
            return std::unexpected(landed.error());
        return first;
    }
    return NumberedName(first, base, extension, [&file](const QString& path) { return file.land(path, false); });
}

} // namespace qm
