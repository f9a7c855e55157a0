#include "app/Desktop.h"

#include <QWidget>

#include "app/BundledPages.h"
#include "app/LaunchAddresses.h"
#include "app/MainWindow.h"
#include "app/Skin.h"
#include "app/TrayIcon.h"
#include "desktop/settings/SettingsDialog.h"
#include "platform/AppHome.h"
#include "platform/UserDialogs.h"
#include "settings/SettingsSource.h"

namespace qm::app {

Desktop::Desktop(const AppHome& home, UserDialogs& dialogs, cdp::Browser* engine, PageRunner* runner,
    DesktopOptions options, QObject* parent)
    : QObject(parent)
    , m_runner(runner)
    , m_options(std::move(options))
{
    m_hooks.home = &home;
    m_hooks.engine = engine;
    m_hooks.dialogs = &dialogs;
    m_hooks.applySkin = [&home](QWidget* window) {
        // Read at each window's load, so an edited skin shows on the next window.
        const QString skin = ReadSkin(home);
        if (!skin.isEmpty())
            window->setStyleSheet(skin);
    };
    m_hooks.openFolder = [this](const QString& folder) { openWithDesktop(QUrl::fromLocalFile(folder)); };
    m_hooks.mainWindow = [this]() -> QWidget* { return m_main.data(); };
}

Desktop::~Desktop()
{
    delete m_main.data();
    delete m_tray.data();
}

MainWindow* Desktop::mainWindow() const
{
    return m_main.data();
}

TrayIcon* Desktop::tray() const
{
    return m_tray.data();
}

void Desktop::start()
{
    loadTray();
    if (m_hooks.loadScheduleWindow)
        m_hooks.loadScheduleWindow();
    loadMainWindow()->show();
    m_main->addAddresses(LaunchAddresses(m_options.arguments, m_options.workingFolder));
}

void Desktop::watchSettings(FileSettings& settings)
{
    QPointer<Desktop> self(this);
    settings.setProblemHandler([self](const QString& reason) {
        if (!self)
            return;
        QString text = reason;
        text[0] = text[0].toUpper();
        // Non-blocking: the box opens and the program goes on with the defaults.
        self->m_hooks.dialogs->message(self->mainWindow(), UserDialogs::Icon::Error, text + QLatin1Char('.'), {});
    });
}

void Desktop::loadTray()
{
    m_tray = new TrayIcon;
    if (!m_options.trayAvailable)
        m_tray->removeIcon();
    connect(m_tray, &TrayIcon::restoreRequested, this, &Desktop::restoreMainWindow);
    connect(m_tray, &TrayIcon::homePageRequested, this, [this] { openWebPage(HomePageUrl()); });
    connect(m_tray, &TrayIcon::helpRequested, this, &Desktop::showHelp);
    connect(m_tray, &TrayIcon::settingsRequested, this, &Desktop::showSettingsFromTray);
    connect(m_tray, &TrayIcon::convertRequested, this, [this] {
        if (m_main)
            m_main->startBatch();
    });
    connect(m_tray, &TrayIcon::cancelRequested, this, [this] {
        if (m_main)
            m_main->cancelBatch();
    });
    connect(m_tray, &TrayIcon::exitRequested, this, &Desktop::exitProgram);
}

MainWindow* Desktop::loadMainWindow()
{
    m_main = new MainWindow(m_hooks, m_runner, m_options.trayAvailable);
    if (m_tray)
        m_main->setWindowIcon(m_tray->windowIcon());
    connect(m_main, &MainWindow::helpRequested, this, &Desktop::showHelp);
    connect(m_main, &MainWindow::homePageRequested, this, [this] { openWebPage(HomePageUrl()); });
    connect(m_main, &MainWindow::supportPageRequested, this, [this] { openWebPage(SupportPageUrl()); });
    connect(m_main, &MainWindow::exitRequested, this, &Desktop::exitProgram);
    return m_main;
}

void Desktop::restoreMainWindow()
{
    if (!m_main)
        loadMainWindow(); // loaded afresh: its list starts empty
    m_main->setWindowState((m_main->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    m_main->show();
    m_main->raise();
    m_main->activateWindow();
}

void Desktop::openRows(const QStringList& rows)
{
    restoreMainWindow();
    m_main->addAddresses(rows);
}

void Desktop::showHelp()
{
    openWebPage(HelpPageUrl());
}

void Desktop::openWebPage(const QUrl& address)
{
    openWithDesktop(address);
}

void Desktop::openWithDesktop(const QUrl& address)
{
    if (!m_options.openUrl || m_options.openUrl(address))
        return;
    const QString shown = address.isLocalFile() ? address.toLocalFile() : address.toString();
    m_hooks.dialogs->message(m_main.data(), UserDialogs::Icon::Error,
        QStringLiteral("No program on this system is set up to open %1. Open it from there yourself.").arg(shown));
}

void Desktop::showSettingsFromTray()
{
    if (m_main) {
        m_main->showSettings();
        return;
    }
    if (m_trayDialog) {
        m_trayDialog->raise();
        return;
    }
    m_trayDialog = new SettingsDialog(m_hooks.home->settingsPath(), m_hooks.home->path(), *m_hooks.dialogs);
    m_hooks.applySkin(m_trayDialog);
    m_trayDialog->setWindowModality(Qt::ApplicationModal);
    m_trayDialog->show();
}

void Desktop::exitProgram()
{
    if (m_exiting)
        return;
    m_exiting = true;
    // Unload in order; a hook that is missing is skipped and the rest still run.
    if (m_hooks.unloadMiniBrowser)
        m_hooks.unloadMiniBrowser();
    if (m_main)
        m_main->closeDialogs();
    if (m_trayDialog)
        delete m_trayDialog.data();
    if (m_hooks.unloadScheduleWindow)
        m_hooks.unloadScheduleWindow();
    if (m_tray) {
        m_tray->removeIcon();
        delete m_tray.data();
    }
    if (m_main)
        m_main->close();
    if (m_options.endProcess)
        m_options.endProcess();
}

} // namespace qm::app
