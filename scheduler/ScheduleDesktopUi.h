#pragma once

namespace qm {

class EnginePool;
struct DesktopHooks;

// Hooks the scheduler into the desktop program: the schedule window is loaded hidden at start-up with its timer,
// which converts in tabs of the program's browsers (`engines`, shared with the main window's batch); the
// "Schedule" commands bring it on screen, and the exit saves the list.
void RegisterScheduleWindow(DesktopHooks& hooks, EnginePool& engines);

} // namespace qm
