#pragma once

namespace qm::app {
struct DesktopHooks;
}

namespace qm {

// Hooks the mini browser into the desktop program: "Mini Browser" and the visit commands open a new
// MiniBrowserWindow, modal, on browserStartAddress (an open one is brought to the front instead); ExitProgram
// closes it.
void RegisterMiniBrowser(app::DesktopHooks& hooks);

} // namespace qm
