#include "platform/HeadlessApplication.h"

#include <QFile>
#include <QGuiApplication>

#include "platform/UserRuntimeFolder.h"

namespace qm {

namespace {

// Without a session (cron, ssh, containers) there is no runtime folder; Qt would warn on every run
// before falling back to one of its own making, so make that private folder here, quietly.
void ensureRuntimeFolder()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    if (const Result<QString> folder = UserRuntimeFolder())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(*folder));
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
