#include "cli/ConvertCommand.h"

#include <QDir>
#include <cstdio>

#include "capture/DevicePresets.h"
#include "cli/ConvertSession.h"
#include "platform/HeadlessApplication.h"
#include "platform/VerboseLog.h"
#include "platform/VisibleText.h"
#include "run/ConvertOptions.h"
#include "run/HiddenPasswords.h"
#include "run/OptionDocs.h"

namespace qm::cli {

int runConvert(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 2; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    run::BlankPasswords(argc, argv);
    auto options = run::ReadConvertOptions(arguments, QDir::currentPath());
    if (!options) {
        std::fprintf(stderr, "quillmark convert: %s (see quillmark convert --help)\n",
            VisibleText(options.error().message).toLocal8Bit().constData());
        return 2;
    }
    SetVerbose(options->verbose);
    if (options->help) {
        std::fputs(run::CommandHelp(run::Command::Convert).toLocal8Bit().constData(), stdout);
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
