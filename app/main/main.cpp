#include <cstdio>
#include <cstring>

#include "cli/ConvertCommand.h"
#include "queue/QueueCommands.h"
#include "run/OptionDocs.h"
#ifdef QUILLMARK_DESKTOP
#include "app/DesktopUi.h"
#endif

int main(int argc, char** argv)
{
    if (argc >= 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-v") == 0)) {
        std::printf("quillmark %s\n", QUILLMARK_VERSION);
        return 0;
    }
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
#ifdef QUILLMARK_DESKTOP
        const bool desktop = true;
#else
        const bool desktop = false;
#endif
        std::fputs(qm::run::ProgramHelp(desktop).toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "convert") == 0)
        return qm::cli::runConvert(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "worker") == 0)
        return qm::queue::runWorker(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "submit") == 0)
        return qm::queue::runSubmit(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "status") == 0)
        return qm::queue::runStatus(argc, argv);
#ifdef QUILLMARK_DESKTOP
    return qm::app::runDesktop(argc, argv);
#else
    std::fprintf(
        stderr, "quillmark: this build has no desktop program; use \"quillmark convert\" (--help for its options)\n");
    return 2;
#endif
}
