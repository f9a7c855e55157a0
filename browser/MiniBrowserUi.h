#pragma once

namespace qm {

struct DesktopHooks;

// Hooks the mini browser into the desktop program: "Mini Browser" and the visit commands open a new
// MiniBrowserWindow, modal, on browserStartAddress (an open one is brought to the front instead); ExitProgram
// closes it.
void RegisterMiniBrowser(DesktopHooks& hooks);

} // namespace qm
