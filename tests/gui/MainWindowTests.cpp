#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include "GuiFixture.h"
#include "app/ImageButtonWidget.h"
#include "batch/UrlListWidget.h"
#include "settings/IniStore.h"

namespace qm::test {
namespace {

using MainWindowTest = WindowTest;

struct MenuItem
{
    const char* menu;
    const char* caption; // empty: a separator
    const char* shortcut;
};

// Every menu of the main window, item by item in order.
const MenuItem kMenus[] = {
    { "fileMenu", "New Converting Project", "" },
    { "fileMenu", "Open Converting Project", "" },
    { "fileMenu", "Save Converting Project", "" },
    { "fileMenu", "", "" },
    { "fileMenu", "Exit", "Ctrl+X" },
    { "editMenu", "Load List", "Ctrl+L" },
    { "editMenu", "Save List", "" },
    { "editMenu", "", "" },
    { "editMenu", "Add HTML Files", "Ctrl+H" },
    { "editMenu", "Add URL", "Ctrl+U" },
    { "editMenu", "", "" },
    { "editMenu", "Remove Selected URL", "Ctrl+R" },
    { "editMenu", "Clear All URL", "" },
    { "editMenu", "", "" },
    { "editMenu", "Visit at Selected URL", "Ctrl+V" },
    { "actionMenu", "Convert Now!", "Ctrl+C" },
    { "actionMenu", "Cancel Convert", "" },
    { "actionMenu", "", "" },
    { "actionMenu", "Mini Browser", "Ctrl+B" },
    { "optionMenu", "Settings", "Ctrl+S" },
    { "optionMenu", "", "" },
    { "optionMenu", "Schedule", "" },
    { "helpMenu", "Help", "F1" },
    { "helpMenu", "", "" },
    { "helpMenu", "Quillmark Home Page", "Ctrl+P" },
    { "helpMenu", "Support Online", "Ctrl+T" },
};

TEST_F(MainWindowTest, MenusHoldEveryItemWithCaptionAndShortcutInOrder)
{
    app::MainWindow* window = makeWindow();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillmark v2.70"));
    EXPECT_EQ(window->objectName(), MainName("mainWindow"));

    const QStringList menuCaptions { "File(&F)", "Edit(&E)", "Action(&A)", "Option(&A)", "Help(&H)" };
    QStringList shown;
    for (QAction* top : window->menuBar()->actions())
        shown.append(top->text());
    EXPECT_EQ(shown, menuCaptions);

    QHash<QString, int> position;
    for (const MenuItem& item : kMenus) {
        auto* menu = window->findChild<QMenu*>(QLatin1String(item.menu));
        ASSERT_NE(menu, nullptr) << item.menu;
        const int at = position[QLatin1String(item.menu)]++;
        ASSERT_LT(at, menu->actions().size()) << item.menu;
        QAction* action = menu->actions().at(at);
        if (!*item.caption) {
            EXPECT_TRUE(action->isSeparator()) << item.menu << " position " << at;
            continue;
        }
        EXPECT_EQ(action->text(), QLatin1String(item.caption)) << item.menu << " position " << at;
        EXPECT_EQ(action->shortcut(), QKeySequence(QLatin1String(item.shortcut))) << item.caption;
    }
    for (auto it = position.cbegin(); it != position.cend(); ++it)
        EXPECT_EQ(window->findChild<QMenu*>(it.key())->actions().size(), it.value()) << qPrintable(it.key());
}

TEST_F(MainWindowTest, PopupMenuHoldsItsItemsInOrder)
{
    app::MainWindow* window = makeWindow();
    auto* popup = window->findChild<QMenu*>(QStringLiteral("listMenu"));
    ASSERT_NE(popup, nullptr);
    QStringList items;
    for (QAction* action : popup->actions())
        items.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(items,
        QStringList({ "Convert Now!", "Settings", "-", "Open Selected Url", "-", "Load List", "Add HTML Files",
            "Add Url Item", "-", "Remove Selected Item", "Clear All Items" }));
}

// Keys pressed in the URL list reach the menu commands, Ctrl+C, Ctrl+V and Ctrl+X included.
TEST_F(MainWindowTest, ShortcutsPressedInTheListRunTheirCommands)
{
    home.set("set", "outputformat", "JPG");
    RecordingRunner runner;
    app::MainWindow* window = makeWindow(&runner);
    QSignalSpy help(window, &app::MainWindow::helpRequested);
    QSignalSpy homePage(window, &app::MainWindow::homePageRequested);
    QSignalSpy support(window, &app::MainWindow::supportPageRequested);
    QSignalSpy exit(window, &app::MainWindow::exitRequested);
    window->list().appendUrl("http://one.test/", "JPG");
    window->list().appendUrl("http://two.test/", "JPG");
    activate(window);
    auto* list = window->findChild<UrlListWidget*>(MainName("urlList"));
    list->setFocus();
    list->setCurrentIndex(window->list().index(1, 0));

    QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(miniBrowserAddresses, QStringList({ "http://two.test/" }));
    QTest::keyClick(list, Qt::Key_B, Qt::ControlModifier);
    ASSERT_EQ(miniBrowserAddresses.size(), 2);
    EXPECT_TRUE(miniBrowserAddresses[1].endsWith("/web/home.html")) << qPrintable(miniBrowserAddresses[1]);
    QTest::keyClick(list, Qt::Key_F1);
    QTest::keyClick(list, Qt::Key_P, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(help.count(), 1);
    EXPECT_EQ(homePage.count(), 1);
    EXPECT_EQ(support.count(), 1);

    QTest::keyClick(list, Qt::Key_L, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_H, Qt::ControlModifier);
    ASSERT_EQ(dialogs.fileRequests().size(), 2);
    EXPECT_EQ(dialogs.fileRequests()[0].title, QStringLiteral("Select a converting project file"));
    EXPECT_EQ(dialogs.fileRequests()[1].filter, QStringLiteral("Html Files (*.htm *.html)"));

    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(window->batchState().running);
    window->cancelBatchSilently();

    QTest::keyClick(list, Qt::Key_R, Qt::ControlModifier);
    ASSERT_EQ(window->list().rowCount(), 1);
    EXPECT_EQ(window->list().address(0), QStringLiteral("http://one.test/"));

    QTest::keyClick(list, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(exit.count(), 1);

    QTest::keyClick(list, Qt::Key_U, Qt::ControlModifier);
    QWidget* addUrl = find<QWidget>(QStringLiteral("addUrlDialog"));
    ASSERT_NE(addUrl, nullptr);
    EXPECT_TRUE(addUrl->isModal());
    addUrl->close();

    activate(window);
    QTest::keyClick(window->findChild<UrlListWidget*>(MainName("urlList")), Qt::Key_S, Qt::ControlModifier);
    QWidget* settings = find<QWidget>(QStringLiteral("settingsDialog"));
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(settings->isModal());
}

TEST_F(MainWindowTest, LayoutHasItsNamedPartsAndHidesTheProgressPanelAtLoad)
{
    app::MainWindow* window = makeWindow();
    window->show();
    for (const char* name : { "toolbar", "urlList", "progressPanel", "statusBox", "statusLabel", "progressBox",
             "progressLabel", "totalProgress", "cancelButton", "stopButton" })
        EXPECT_NE(window->findChild<QWidget*>(MainName(name)), nullptr) << name;
    EXPECT_FALSE(window->findChild<QWidget*>(MainName("progressPanel"))->isVisible());
    EXPECT_EQ(window->findChild<QGroupBox*>(MainName("statusBox"))->title(), QStringLiteral("Status"));
    EXPECT_EQ(window->findChild<QLabel*>(MainName("cancelCaption"))->text(), QStringLiteral("CANCEL"));
    EXPECT_EQ(window->findChild<QLabel*>(MainName("stopCaption"))->text(), QStringLiteral("EXIT"));

    auto* list = window->findChild<QTreeView*>(MainName("urlList"));
    EXPECT_EQ(list->toolTip(), QStringLiteral("Double Click to Visit at the URL"));
    QStringList headers;
    for (int c = 0; c < list->model()->columnCount(); ++c)
        headers.append(list->model()->headerData(c, Qt::Horizontal).toString());
    EXPECT_EQ(headers, QStringList({ "URL List", "Output Format", "Status" }));

    const QList<QPair<const char*, const char*>> captions { { "loadListCaption", "Load List" },
        { "addHtmlFilesCaption", "Add Html Files" }, { "addUrlCaption", "Add Url" }, { "saveListCaption", "Save List" },
        { "convertNowCaption", "CONVERT NOW" }, { "settingsCaption", "Setting" }, { "scheduleCaption", "Schedule" },
        { "helpCaption", "Help" }, { "exitCaption", "Exit" } };
    for (const auto& [name, caption] : captions) {
        auto* label = window->findChild<QLabel*>(QLatin1String(name));
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(label->text(), QLatin1String(caption));
    }
}

TEST_F(MainWindowTest, HoveringAnImageFramesItAloneAndTheStripRemovesEveryFrame)
{
    app::MainWindow* window = makeWindow();
    activate(window);
    const QStringList names { "loadListButton", "addHtmlFilesButton", "addUrlButton", "saveListButton",
        "convertNowButton", "settingsButton", "scheduleButton", "helpButton", "exitButton" };
    auto framed = [&] {
        QStringList on;
        for (const QString& name : names) {
            if (window->findChild<app::ImageButtonWidget*>(name)->isFramed())
                on.append(name);
        }
        return on;
    };
    auto* convert = window->findChild<app::ImageButtonWidget*>(QStringLiteral("convertNowButton"));
    auto* help = window->findChild<app::ImageButtonWidget*>(QStringLiteral("helpButton"));
    QTest::mouseMove(convert, convert->rect().center());
    EXPECT_EQ(framed(), QStringList({ "convertNowButton" }));
    QTest::mouseMove(help, help->rect().center());
    EXPECT_EQ(framed(), QStringList({ "helpButton" }));
    QWidget* strip = window->findChild<QWidget*>(MainName("toolbar"));
    QTest::mouseMove(strip, QPoint(strip->width() - 5, strip->height() / 2));
    EXPECT_TRUE(framed().isEmpty());
    // The progress panel's images have no hover frame.
    auto* cancel = window->findChild<app::ImageButtonWidget*>(QStringLiteral("cancelButton"));
    EXPECT_FALSE(cancel->isFramed());
}

TEST_F(MainWindowTest, ToolbarOpensAddUrlWithoutModalityAndTheMenuWithIt)
{
    app::MainWindow* window = makeWindow();
    activate(window);
    auto* addUrlButton = window->findChild<app::ImageButtonWidget*>(QStringLiteral("addUrlButton"));
    QTest::mouseClick(addUrlButton, Qt::LeftButton);
    QWidget* addUrl = find<QWidget>(QStringLiteral("addUrlDialog"));
    ASSERT_NE(addUrl, nullptr);
    EXPECT_FALSE(addUrl->isModal());
    // Only one Add URL window at a time.
    window->findChild<QAction*>(QStringLiteral("addUrl"))->trigger();
    EXPECT_EQ(window->findChildren<QWidget*>(QStringLiteral("addUrlDialog")).size(), 1);
}

} // namespace
} // namespace qm::test
