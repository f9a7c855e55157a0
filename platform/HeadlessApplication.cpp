#include "platform/HeadlessApplication.h"

#include <QByteArray>
#include <QDir>
#include <QGuiApplication>

#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

// Without a session (cron, ssh, containers) there is no runtime folder; Qt would warn on every run
// before falling back to one of its own making, so make that private folder here, quietly.
void ensureRuntimeFolder()
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

} // namespace

int RunHeadless(char* program, const std::function<int()>& run)
{
    // No window is shown, but text watermarks need fonts, which a GUI application provides.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ensureRuntimeFolder();
    int qtArgc = 1;
    char* qtArgv[] = { program, nullptr };
    QGuiApplication app(qtArgc, qtArgv);
    QGuiApplication::setApplicationName(QStringLiteral("quillmark"));
    return run();
}

} // namespace qm
