#include "platform/RuntimeFolder.h"

#include <QByteArray>
#include <QDir>

#include <sys/stat.h>
#include <unistd.h>

namespace qm {

void EnsureRuntimeFolder()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    const QByteArray dir = QDir::tempPath().toLocal8Bit() + "/runtime-quillmark-" + QByteArray::number(getuid());
    struct stat info
    {
    };
    if (::mkdir(dir.constData(), 0700) == 0
        || (::lstat(dir.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid()
            && (info.st_mode & 0077) == 0))
        qputenv("XDG_RUNTIME_DIR", dir);
}

} // namespace qm
