#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
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

#ifdef QUILLMARK_DESKTOP
bool isSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

// Qt aborts, and dumps core, when the window system it looks for is not there; a user started from a
// terminal without one is told what works there instead.
bool windowSystemReachable(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0)
            return true; // chosen on the command line: Qt says itself if it cannot be had
    }
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform && std::strncmp(platform, "xcb", 3) != 0 && std::strncmp(platform, "wayland", 7) != 0)
        return true; // offscreen, vnc and the like need no display
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}
#endif

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
    if (!windowSystemReachable(argc, argv)) {
        std::fputs("quillmark: the desktop program needs a graphical session (DISPLAY or WAYLAND_DISPLAY); "
                   "\"quillmark convert\" works without one (--help for its options)\n",
            stderr);
        return 2;
    }
    return qm::app::runDesktop(argc, argv);
#else
    std::fprintf(
        stderr, "quillmark: this build has no desktop program; use \"quillmark convert\" (--help for its options)\n");
    return 2;
#endif
}
