#pragma once

#include <QtGlobal>

namespace qm {

// The main window's batch flags, shared by the driver, the capture of its rows and the cancel commands.
struct BatchState
{
    bool running = false;
    bool cancelRequested = false;
    bool browserReady = false;
    qsizetype rowCursor = 0; // 1-based index of the next row to issue
};

} // namespace qm
