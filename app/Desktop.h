#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <functional>

#include "desktop/DesktopHooks.h"

namespace qm {
class AppHome;
class FileSettings;
class PageRunner;
class SettingsDialog;
class UserDialogs;
} // namespace qm

namespace qm::app {

class MainWindow;
class TrayIcon;

struct DesktopOptions
{
    bool trayAvailable = true;
    std::function<bool(const QUrl&)> openUrl; // the desktop's default handler; false when there is none
    std::function<void()> endProcess; // quits the event loop
    QStringList arguments; // files and addresses the program was started with: added to the list
    QString workingFolder; // what relative paths among them are relative to
};

// The program around its windows: start-up, the tray, restoring the main window, help, the bundled
// web pages and ExitProgram.
class Desktop : public QObject
{
    Q_OBJECT
public:
    Desktop(const AppHome& home, UserDialogs& dialogs, cdp::Browser* engine, PageRunner* runner, DesktopOptions options,
        QObject* parent = nullptr);
    ~Desktop() override;

    DesktopHooks& hooks() { return m_hooks; }

    // The tray, then the schedule window (through its hook), then the main window with the files and
    // addresses of the arguments in its list.
    void start();

    // A settings file that cannot be read is said in a message box, once: now when it is so already,
    // else when a reader first finds it so. `settings` must outlive the desktop's event loop.
    void watchSettings(FileSettings& settings);

    MainWindow* mainWindow() const;
    TrayIcon* tray() const;

    void restoreMainWindow(); // a fresh main window when it was closed
    void openRows(const QStringList& rows); // restores the main window and adds the rows to its list
    void showHelp();
    void openWebPage(const QUrl& address);
    // Hands a folder, file or page to the desktop, and says so when nothing there can open it.
    void openWithDesktop(const QUrl& address);
    void showSettingsFromTray();
    void exitProgram();

private:
    void loadTray();
    MainWindow* loadMainWindow();

    DesktopHooks m_hooks;
    PageRunner* m_runner;
    DesktopOptions m_options;
    QPointer<TrayIcon> m_tray;
    QPointer<MainWindow> m_main;
    QPointer<SettingsDialog> m_trayDialog; // settings opened from the tray while the main window is closed
    bool m_exiting = false;
};

} // namespace qm::app
