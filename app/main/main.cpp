#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

#ifdef QUILLMARK_DESKTOP
#include "app/DesktopUi.h"
#include "run/OptionDocs.h"
#endif

namespace {

bool isCommand(const char* word)
{
    for (const char* command : { "convert", "worker", "submit", "status" }) {
        if (std::strcmp(word, command) == 0)
            return true;
    }
    return false;
}

// The commands are quillmark-cli's, installed beside this program: a conversion or a worker started
// from here loads no window library either. Same process, arguments and exit status.
int runCommandProgram(char** argv)
{
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string program = "quillmark-cli";
    if (length > 0) {
        const std::string path(self, static_cast<size_t>(length));
        program = path.substr(0, path.rfind('/') + 1) + program;
    }
    execv(program.c_str(), argv);
    std::fprintf(stderr, "quillmark: cannot start %s: %s\n", program.c_str(), std::strerror(errno));
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-v") == 0)) {
        std::printf("quillmark %s\n", QUILLMARK_VERSION);
        return 0;
    }
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
#ifdef QUILLMARK_DESKTOP
        std::fputs(qm::run::ProgramHelp(true).toLocal8Bit().constData(), stdout);
        return 0;
#else
        return runCommandProgram(argv); // the commands' help, under this program's name
#endif
    }
    if (argc >= 2 && isCommand(argv[1]))
        return runCommandProgram(argv);
#ifdef QUILLMARK_DESKTOP
    return qm::app::runDesktop(argc, argv);
#else
    std::fprintf(
        stderr, "quillmark: this build has no desktop program; use \"quillmark convert\" (--help for its options)\n");
    return 2;
#endif
}
