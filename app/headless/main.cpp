#include <cstdio>
#include <cstring>

#include "cli/ConvertCommand.h"
#include "queue/QueueCommands.h"
#include "run/OptionDocs.h"

// The commands of quillmark without its windows, for servers: built without Qt Widgets whatever the
// build's options, and started by "quillmark convert" and the like.
int main(int argc, char** argv)
{
    const char* command = argc >= 2 ? argv[1] : "";
    if (std::strcmp(command, "--version") == 0 || std::strcmp(command, "-v") == 0) {
        std::printf("quillmark-cli %s\n", QUILLMARK_VERSION);
        return 0;
    }
    if (std::strcmp(command, "convert") == 0)
        return qm::cli::runConvert(argc, argv);
    if (std::strcmp(command, "worker") == 0)
        return qm::queue::runWorker(argc, argv);
    if (std::strcmp(command, "submit") == 0)
        return qm::queue::runSubmit(argc, argv);
    if (std::strcmp(command, "status") == 0)
        return qm::queue::runStatus(argc, argv);
    const bool help = std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0;
    if (!help && *command)
        std::fprintf(stderr, "quillmark-cli: unknown command \"%s\"\n", command);
    // Started by "quillmark --help" in a build without windows, it answers under that name.
    const char* slash = std::strrchr(argv[0], '/');
    const QString program = QString::fromLocal8Bit(slash ? slash + 1 : argv[0]);
    std::fputs(qm::run::ProgramHelp(false, program).toLocal8Bit().constData(), help ? stdout : stderr);
    return help ? 0 : 2;
}
