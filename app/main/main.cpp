#include <cstdio>
#include <cstring>

#include "app/DesktopUi.h"
#include "cli/ConvertCommand.h"

int main(int argc, char** argv)
{
    if (argc >= 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-v") == 0)) {
        std::printf("quillmark %s\n", QUILLMARK_VERSION);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "convert") == 0)
        return qm::cli::runConvert(argc, argv);
    return qm::app::runDesktop(argc, argv);
}
