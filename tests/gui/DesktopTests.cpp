#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "FakeDialogs.h"
#include "GuiFixture.h"
#include "app/Desktop.h"
#include "app/ImageButtonWidget.h"
#include "app/MainWindow.h"
#include "app/RunningInstance.h"
#include "app/TrayIcon.h"
#include "settings/SettingsSource.h"
#include "tests/support/TempHome.h"

namespace qm::test {
namespace {

class DesktopTest : public ::testing::Test
{
protected:
    std::unique_ptr<app::Desktop> make(bool trayAvailable, const QStringList& arguments = {})
    {
        app::DesktopOptions options;
        options.trayAvailable = trayAvailable;
        options.arguments = arguments;
        options.workingFolder = home.path();
        options.openUrl = [this](const QUrl& url) {
            opened.append(url);
            return handlerFound;
        };
        options.endProcess = [this] { steps.append("end"); };
        auto desktop = std::make_unique<app::Desktop>(home.home(), dialogs, nullptr, &runner, options);
        DesktopHooks& hooks = desktop->hooks();
        hooks.loadScheduleWindow = [this, d = desktop.get()] {
            steps.append(QStringLiteral("load schedule (tray %1, main %2)")
                             .arg(d->tray() ? "loaded" : "missing", d->mainWindow() ? "loaded" : "missing"));
        };
        hooks.unloadMiniBrowser = [this] { steps.append("mini browser"); };
        hooks.unloadScheduleWindow = [this, d = desktop.get()] {
            steps.append(QStringLiteral("schedule (add URL %1, settings %2, tray %3)")
                             .arg(d->mainWindow()->findChild<QWidget*>("addUrlDialog") ? "open" : "closed",
                                 d->mainWindow()->findChild<QWidget*>("settingsDialog") ? "open" : "closed",
                                 d->tray() ? "loaded" : "gone"));
        };
        return desktop;
    }
    static void settle() { QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    TempHome home;
    FakeDialogs dialogs;
    RecordingRunner runner;
    QList<QUrl> opened;
    bool handlerFound = true;
    QStringList steps;
};

TEST_F(DesktopTest, StartUpLoadsTheTrayThenTheScheduleWindowThenTheMainWindow)
{
    auto desktop = make(true);
    desktop->start();
    EXPECT_EQ(steps, QStringList({ "load schedule (tray loaded, main missing)" }));
    ASSERT_NE(desktop->mainWindow(), nullptr);
    EXPECT_TRUE(desktop->mainWindow()->isVisible());
    EXPECT_FALSE(desktop->tray()->isVisible());
    EXPECT_EQ(desktop->tray()->windowTitle(), QStringLiteral("systray"));
}

// Each tray item does what its caption says, on the main window's list and batch.
TEST_F(DesktopTest, TrayItemsRunTheCommandsTheirCaptionsName)
{
    auto desktop = make(true);
    desktop->start();
    QStringList captions;
    QHash<QString, QAction*> byCaption;
    for (QAction* action : desktop->tray()->menu()->actions()) {
        captions.append(action->isSeparator() ? QStringLiteral("-") : action->text());
        byCaption.insert(action->text(), action);
    }
    EXPECT_EQ(captions,
        QStringList({ "Quillmark On the Web", "Help", "-", "Quillmark", "-", "Settings", "-", "Convert Now",
            "Cancel Convert", "-", "Exit" }));

    app::MainWindow* main = desktop->mainWindow();
    main->list().appendUrl("http://a.test/", "PNG");
    byCaption.value("Convert Now")->trigger();
    EXPECT_TRUE(main->batchState().running);
    byCaption.value("Cancel Convert")->trigger();
    EXPECT_TRUE(main->batchState().cancelRequested);
    EXPECT_EQ(dialogs.messageTexts(), QStringList({ "Conversion Canceled by the user!" }));

    byCaption.value("Settings")->trigger();
    EXPECT_NE(main->findChild<QWidget*>("settingsDialog"), nullptr);
}

struct ExitCase
{
    const char* name;
    std::function<void(app::Desktop&)> choose;
};

TEST_F(DesktopTest, ExitUnloadsEveryWindowInOrderThenEndsTheProgram)
{
    const ExitCase cases[] = {
        { "toolbar",
            [](app::Desktop& d) {
                QTest::mouseClick(d.mainWindow()->findChild<app::ImageButtonWidget*>("exitButton"), Qt::LeftButton);
            } },
        { "File menu", [](app::Desktop& d) { d.mainWindow()->findChild<QAction*>("exit")->trigger(); } },
        { "tray menu", [](app::Desktop& d) { d.tray()->menu()->findChild<QAction*>("exit")->trigger(); } },
    };
    for (const ExitCase& c : cases) {
        SCOPED_TRACE(c.name);
        steps.clear();
        auto desktop = make(true);
        desktop->start();
        home.set("set", "filename", "x");
        desktop->mainWindow()->addUrls(false);
        desktop->mainWindow()->showSettings();
        c.choose(*desktop);
        EXPECT_EQ(steps,
            QStringList({ "load schedule (tray loaded, main missing)", "mini browser",
                "schedule (add URL closed, settings closed, tray loaded)", "end" }));
        settle();
        EXPECT_EQ(desktop->tray(), nullptr);
        EXPECT_EQ(desktop->mainWindow(), nullptr);
    }
}

TEST_F(DesktopTest, UnreadableSettingsAreSaidOnceInAMessageBox)
{
    QFile file(home.settingsPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("[set]\noutputformat=JPG\n\0\0\0", 25));
    file.close();
    FileSettings settings(home.settingsPath());
    auto desktop = make(true);
    desktop->start();
    desktop->watchSettings(settings);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].text.contains("settings cannot be read"))
        << dialogs.messages()[0].text.toStdString();
    EXPECT_EQ(dialogs.messages()[0].icon, UserDialogs::Icon::Error);
    EXPECT_EQ(settings.read("set", "outputformat"), "");
    EXPECT_EQ(dialogs.messages().size(), 1);
}

// "Open with Quillmark" passes files as file:// addresses or paths; typed addresses stay as given.
TEST_F(DesktopTest, FilesAndAddressesOfTheArgumentsAreInTheListAtStartUp)
{
    QFile page(home.file("page one.html"));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();
    home.set("set", "outputformat", "PDF");
    auto desktop = make(true,
        { QUrl::fromLocalFile("/srv/docs/a b.html").toString(QUrl::FullyEncoded), "page one.html",
            "www.example.com/news" });
    desktop->start();
    const UrlListModel& list = desktop->mainWindow()->list();
    QStringList rows;
    for (int i = 0; i < list.rowCount(); ++i)
        rows.append(list.address(i) + " " + list.format(i));
    EXPECT_EQ(rows,
        QStringList({ "/srv/docs/a b.html PDF", home.file("page one.html") + " PDF", "www.example.com/news PDF" }));
}

// A second start for the same home hands its rows over; the running program shows them, even with its
// main window closed to the tray.
TEST_F(DesktopTest, ASecondStartHandsItsRowsToTheProgramRunningForTheSameHome)
{
    TempHome otherHome;
    auto desktop = make(true);
    desktop->start();
    app::RunningInstance running(home.path());
    ASSERT_TRUE(running.listen());
    QObject::connect(&running, &app::RunningInstance::rowsArrived, desktop.get(), &app::Desktop::openRows);
    desktop->mainWindow()->close();
    settle();

    EXPECT_EQ(app::RunningInstance(otherHome.path()).handOver({ "/a.html" }), false);
    home.set("set", "outputformat", "PNG");
    ASSERT_EQ(app::RunningInstance(home.path()).handOver({ "/srv/a b.html", "https://example.org/\nx" }), true);
    QSignalSpy arrived(&running, &app::RunningInstance::rowsArrived);
    ASSERT_TRUE(arrived.wait(60'000));
    ASSERT_NE(desktop->mainWindow(), nullptr);
    EXPECT_TRUE(desktop->mainWindow()->isVisible());
    const UrlListModel& list = desktop->mainWindow()->list();
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.address(0), "/srv/a b.html");
    EXPECT_EQ(list.address(1), "https://example.org/\nx");
    EXPECT_EQ(list.format(1), "PNG");
}

TEST_F(DesktopTest, WithATrayClosingKeepsTheProgramAndRestoreLoadsAFreshWindow)
{
    auto desktop = make(true);
    desktop->start();
    desktop->mainWindow()->list().appendUrl("http://a.test/", "PNG");
    desktop->mainWindow()->setWindowState(Qt::WindowMinimized); // as the window manager does
    EXPECT_FALSE(desktop->mainWindow()->isVisible());

    desktop->tray()->menu()->findChild<QAction*>("showMainWindow")->trigger();
    EXPECT_TRUE(desktop->mainWindow()->isVisible());
    EXPECT_FALSE(desktop->mainWindow()->isMinimized());
    EXPECT_EQ(desktop->mainWindow()->list().rowCount(), 1);

    desktop->mainWindow()->close();
    settle();
    EXPECT_EQ(desktop->mainWindow(), nullptr);
    EXPECT_NE(desktop->tray(), nullptr);
    EXPECT_FALSE(steps.contains("end"));

    desktop->tray()->menu()->findChild<QAction*>("showMainWindow")->trigger();
    ASSERT_NE(desktop->mainWindow(), nullptr);
    EXPECT_TRUE(desktop->mainWindow()->isVisible());
    EXPECT_EQ(desktop->mainWindow()->list().rowCount(), 0);
}

TEST_F(DesktopTest, WithoutATrayClosingTheMainWindowEndsTheProgram)
{
    auto desktop = make(false);
    desktop->start();
    desktop->mainWindow()->setWindowState(Qt::WindowMinimized); // as the window manager does
    EXPECT_TRUE(desktop->mainWindow()->isVisible()); // minimised, not hidden out of reach
    desktop->mainWindow()->close();
    EXPECT_EQ(steps.last(), QStringLiteral("end"));
    EXPECT_EQ(steps.count("end"), 1);
}

TEST_F(DesktopTest, HelpAndWebPagesOpenBundledFiles)
{
    auto desktop = make(true);
    desktop->start();
    desktop->mainWindow()->findChild<QAction*>("showHelp")->trigger();
    desktop->mainWindow()->findChild<QAction*>("homePage")->trigger();
    desktop->mainWindow()->findChild<QAction*>("supportOnline")->trigger();
    desktop->tray()->menu()->findChild<QAction*>("homePage")->trigger();
    desktop->tray()->menu()->findChild<QAction*>("help")->trigger();
    ASSERT_EQ(opened.size(), 5);
    const QStringList ends { "/help/index.html", "/web/home.html", "/web/support.html", "/web/home.html",
        "/help/index.html" };
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(opened[i].isLocalFile()) << qPrintable(opened[i].toString());
        EXPECT_TRUE(opened[i].toLocalFile().endsWith(ends[i])) << qPrintable(opened[i].toString());
        EXPECT_TRUE(QFile::exists(opened[i].toLocalFile())) << qPrintable(opened[i].toLocalFile());
    }
}

// A desktop with no program for folders or pages: the user is told, with the path to open by hand.
TEST_F(DesktopTest, NothingToOpenWithSaysSoAndNamesThePath)
{
    handlerFound = false;
    auto desktop = make(true);
    desktop->start();
    desktop->mainWindow()->findChild<QAction*>("showHelp")->trigger();
    desktop->hooks().openFolder(home.file("out put"));
    ASSERT_EQ(dialogs.messages().size(), 2);
    EXPECT_TRUE(dialogs.messages()[0].text.contains(opened[0].toLocalFile()))
        << dialogs.messages()[0].text.toStdString();
    EXPECT_TRUE(dialogs.messages()[1].text.contains(home.file("out put"))) << dialogs.messages()[1].text.toStdString();
    EXPECT_EQ(dialogs.messages()[1].icon, UserDialogs::Icon::Error);
}

TEST_F(DesktopTest, EachWindowIsSkinnedAtItsLoadAndAMissingSkinLeavesItPlain)
{
    QDir(home.path()).mkpath("skins");
    QFile skin(home.file("skins/frmmain.skn"));
    ASSERT_TRUE(skin.open(QIODevice::WriteOnly));
    skin.write("QWidget { color: #123456; }");
    skin.close();
    auto desktop = make(true);
    desktop->start();
    EXPECT_EQ(desktop->mainWindow()->styleSheet(), QStringLiteral("QWidget { color: #123456; }"));
    home.set("set", "filename", "x");
    desktop->mainWindow()->showSettings();
    EXPECT_EQ(desktop->mainWindow()->findChild<QWidget*>("settingsDialog")->styleSheet(),
        QStringLiteral("QWidget { color: #123456; }"));

    // Without any skin file the window keeps the platform's look.
    qputenv("QUILLMARK_SHARE", home.file("no-share").toUtf8());
    QFile::remove(home.file("skins/frmmain.skn"));
    desktop->mainWindow()->close();
    settle();
    desktop->restoreMainWindow();
    EXPECT_TRUE(desktop->mainWindow()->styleSheet().isEmpty());
    qputenv("QUILLMARK_SHARE", QUILLMARK_SOURCE_SHARE);
}

} // namespace
} // namespace qm::test
