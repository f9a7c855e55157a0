#include "app/DesktopUi.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QSystemTrayIcon>
#include <cstdio>

#include "app/Desktop.h"
#include "app/LaunchAddresses.h"
#include "app/MainWindow.h"
#include "app/RunningInstance.h"
#include "app/SystemDialogsUi.h"
#include "browser/MiniBrowserUi.h"
#include "capture/EnginePool.h"
#include "capture/PageConversion.h"
#include "platform/AppHome.h"
#include "platform/InterruptWatcher.h"
#include "platform/VisibleText.h"
#include "scheduler/ScheduleDesktopUi.h"
#include "settings/SettingsSource.h"

namespace qm::app {

int runDesktop(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmark"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLMARK_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("quillmark"));
    // The program lives on in the tray when its windows are closed; ExitProgram ends it.
    QApplication::setQuitOnLastWindowClosed(false);

    // Qt has taken its own options (-platform, -style ...) out; what is left are files and addresses.
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    for (const QString& argument : arguments) {
        if (argument.startsWith(u'-')) {
            std::fprintf(stderr, "quillmark: unknown option %s (see quillmark --help)\n",
                VisibleText(argument).toLocal8Bit().constData());
            return 2;
        }
    }

    Result<AppHome> home = AppHome::open(AppHome::defaultPath());
    if (!home) {
        qCritical("quillmark: %s", qPrintable(home.error().message));
        return 2;
    }
    RunningInstance instance(home->path());
    // A program found that is not this user's own is given nothing: this one starts as if none ran.
    const Result<bool> handed = instance.handOver(LaunchAddresses(arguments, QDir::currentPath()));
    if (handed && *handed)
        return 0;
    // Listening before saying so: whoever reads "starting here" may connect at once.
    QObject::connect(&instance, &RunningInstance::strangerRefused, &app, [](const QString& why) {
        std::fprintf(stderr, "quillmark: %s\n", VisibleText(why).toLocal8Bit().constData());
    });
    const Result<void> listening = instance.listen();
    if (!handed)
        std::fprintf(
            stderr, "quillmark: %s; starting here\n", VisibleText(handed.error().message).toLocal8Bit().constData());
    if (!listening)
        std::fprintf(stderr, "quillmark: a second start will not find this one: %s\n",
            VisibleText(listening.error().message).toLocal8Bit().constData());
    FileSettings settings(home->settingsPath());

    // One browser for the whole program; every host converts in a tab of its own.
    EnginePool engines({ cdp::BrowserOptions {} });
    engines.start([](Result<void>) {}); // a browser that fails to start is reported by the rows it fails
    PageConversion pages(engines, home->path());

    SystemDialogs dialogs;
    DesktopOptions options;
    options.trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    options.openUrl = [](const QUrl& address) { return QDesktopServices::openUrl(address); };
    options.endProcess = [] { QCoreApplication::exit(0); };
    options.arguments = arguments;
    options.workingFolder = QDir::currentPath();
    Desktop desktop(*home, dialogs, engines.browser(0), &pages, options);
    // A page that completes while the main window's list is empty is not captured.
    pages.setRowsPresent([&desktop] { return desktop.mainWindow() && desktop.mainWindow()->list().rowCount() > 0; });
    // The status labels follow the capture tabs: their loading state, and "User cancel" after a cancel.
    QObject::connect(&pages, &PageConversion::statusTextChanged, &app, [&desktop](const QString& text) {
        if (MainWindow* window = desktop.mainWindow())
            window->statusTextChanged(text);
    });
    QObject::connect(&pages, &PageConversion::newWindowRequested, &app, [&desktop](const QString&) {
        if (MainWindow* window = desktop.mainWindow())
            window->newWindowRequested();
    });

    // The windows built elsewhere register their hooks here.
    RegisterScheduleWindow(desktop.hooks(), engines);
    RegisterMiniBrowser(desktop.hooks());

    // Logging out or a kill ends the program the orderly way, so the schedule is saved.
    InterruptWatcher interrupts;
    QObject::connect(&interrupts, &InterruptWatcher::interrupted, &app, [&desktop](int) { desktop.exitProgram(); });

    QObject::connect(&instance, &RunningInstance::rowsArrived, &desktop, &Desktop::openRows);
    desktop.start();
    desktop.watchSettings(settings);
    return app.exec();
}

} // namespace qm::app
