#pragma once

namespace qm::app {

// The desktop program: tray, schedule window, main window. Returns the process's exit code.
int runDesktop(int argc, char** argv);

} // namespace qm::app
