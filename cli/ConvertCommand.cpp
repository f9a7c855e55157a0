#include "cli/ConvertCommand.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "cli/ConvertOptions.h"
#include "cli/ConvertSession.h"

namespace qm::cli {

int runConvert(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 2; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    auto options = ParseConvertArguments(arguments, QDir::currentPath());
    if (!options) {
        std::fprintf(stderr, "quillmark convert: %s (see quillmark convert --help)\n",
            options.error().message.toLocal8Bit().constData());
        return 2;
    }
    if (options->help) {
        std::fputs(ConvertUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    // No window is shown, but text watermarks need fonts, which a GUI application provides.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    char* qtArgv[] = { argv[0], nullptr };
    QGuiApplication app(qtArgc, qtArgv);
    QGuiApplication::setApplicationName(QStringLiteral("quillmark"));
    ConvertSession session(std::move(*options));
    return session.run();
}

} // namespace qm::cli
