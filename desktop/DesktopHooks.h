#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace qm {
class AppHome;
class UserDialogs;
namespace cdp {
class Browser;
}

// What the windows built elsewhere (mini browser, schedule window, scheduler entry dialog) hook into
// the desktop program. Each of them registers its hooks with one line at start-up; a hook left empty
// makes its command do nothing.
struct DesktopHooks
{
    // --- filled by the desktop before any registration runs ---
    const AppHome* home = nullptr;
    cdp::Browser* engine = nullptr; // the one browser of the program; each host opens its own tab
    UserDialogs* dialogs = nullptr;
    std::function<void(QWidget*)> applySkin; // a window calls it at its load
    std::function<void(const QString&)> openFolder; // shows a folder in the file manager
    std::function<QWidget*()> mainWindow; // the main window, or nullptr while it is closed to the tray

    // Program-wide: the openers of the mini browser set it just before opening it.
    QString browserStartAddress;

    // --- registered by the other windows ---
    std::function<void()> loadScheduleWindow; // start-up, right after the tray: loads the schedule window off screen
    std::function<void()> openMiniBrowser; // modal, on browserStartAddress
    std::function<void()> showScheduleWindow; // the "Schedule" commands: on screen and active, not modal

    // ExitProgram's unload steps, called in this order around the desktop's own ones:
    std::function<void()> unloadMiniBrowser; // MiniBrowserWindow
    // (the Add URL and settings dialogs are the desktop's)
    std::function<void()> unloadScheduleWindow; // the schedule window, which saves the schedule
    // (then the tray)
};

} // namespace qm
