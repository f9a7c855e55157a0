#include "platform/UserRuntimeFolder.h"

#include <QDir>
#include <QFile>
#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace qm {

Result<void> CheckPrivateFolder(const QString& path)
{
    const auto refuse = [&path](const QString& why) {
        return fail(Error::Code::Io, QStringLiteral("%1 is not a folder of this user's alone (%2)").arg(path, why));
    };
    struct stat info
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return refuse(qt_error_string(errno));
    if (S_ISLNK(info.st_mode))
        return refuse(QStringLiteral("a link"));
    if (!S_ISDIR(info.st_mode))
        return refuse(QStringLiteral("not a folder"));
    if (info.st_uid != ::getuid())
        return refuse(QStringLiteral("it belongs to user %1").arg(info.st_uid));
    if ((info.st_mode & 0077) != 0)
        return refuse(QStringLiteral("others may use it: mode %1").arg(info.st_mode & 0777, 4, 8, QLatin1Char('0')));
    return {};
}

Result<QString> UserRuntimeFolder()
{
    const QString session = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!session.isEmpty() && CheckPrivateFolder(session))
        return session;
    const QString own = QDir::tempPath() + QStringLiteral("/runtime-quillmark-%1").arg(::getuid());
    // Made here, or found: either way it is checked, as anyone may have made that name first.
    (void)::mkdir(QFile::encodeName(own).constData(), 0700);
    if (auto checked = CheckPrivateFolder(own); !checked)
        return std::unexpected(checked.error());
    return own;
}

} // namespace qm
