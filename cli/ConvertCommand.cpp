#include "cli/ConvertCommand.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "capture/DevicePresets.h"
#include "cli/ConvertOptions.h"
#include "cli/ConvertSession.h"
#include "platform/VerboseLog.h"

namespace qm::cli {

namespace {
// Without a session (cron, ssh, containers) there is no runtime folder; Qt would warn on every run
// before falling back to one of its own making, so make that private folder here, quietly.
void ensureRuntimeDir()
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
// The process list shows the arguments as they are in memory: blank the password of --auth there.
void hidePasswords(int argc, char** argv)
{
    for (int i = 2; i < argc; ++i) {
        char* value = nullptr;
        if (std::strcmp(argv[i], "--auth") == 0 && i + 1 < argc)
            value = argv[i + 1];
        else if (std::strncmp(argv[i], "--auth=", 7) == 0)
            value = argv[i] + 7;
        if (char* colon = value ? std::strchr(value, ':') : nullptr)
            std::memset(colon + 1, 'x', std::strlen(colon + 1));
    }
}
} // namespace

int runConvert(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 2; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    hidePasswords(argc, argv);
    auto options = ParseConvertArguments(arguments, QDir::currentPath());
    if (!options) {
        std::fprintf(stderr, "quillmark convert: %s (see quillmark convert --help)\n",
            options.error().message.toLocal8Bit().constData());
        return 2;
    }
    SetVerbose(options->verbose);
    if (options->help) {
        std::fputs(ConvertUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (options->listDevices) {
        for (const DevicePreset& preset : DevicePresets())
            std::printf("%-18s %4d x %-4d scale %g\n", preset.name, preset.viewport.width(), preset.viewport.height(),
                preset.scale);
        return 0;
    }
    // No window is shown, but text watermarks need fonts, which a GUI application provides.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ensureRuntimeDir();
    int qtArgc = 1;
    char* qtArgv[] = { argv[0], nullptr };
    QGuiApplication app(qtArgc, qtArgv);
    QGuiApplication::setApplicationName(QStringLiteral("quillmark"));
    ConvertSession session(std::move(*options));
    return session.run();
}

} // namespace qm::cli
