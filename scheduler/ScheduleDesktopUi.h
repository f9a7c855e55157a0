#pragma once

namespace qm {

struct DesktopHooks;

// Hooks the scheduler into the desktop program: the schedule window is loaded hidden at start-up with its timer and
// its own engine tab, the "Schedule" commands bring it on screen, and the exit saves the list.
void RegisterScheduleWindow(DesktopHooks& hooks);

} // namespace qm
