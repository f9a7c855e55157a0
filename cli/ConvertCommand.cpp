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
#include "platform/HeadlessApplication.h"
#include "platform/VerboseLog.h"
#include "platform/VisibleText.h"

namespace qm::cli {

namespace {
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
            VisibleText(options.error().message).toLocal8Bit().constData());
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
    return RunHeadless(argv[0], [&] {
        ConvertSession session(std::move(*options));
        return session.run();
    });
}

} // namespace qm::cli
