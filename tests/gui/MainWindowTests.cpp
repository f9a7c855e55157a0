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
    const char* name; // nullptr: a separator
    const char* caption;
    const char* shortcut;
};

// Every menu of the main window, item by item in order.
const MenuItem kMenus[] = {
    { "file", "NewRecordingProject", "New Converting Project", "" },
    { "file", "OpenRecordingProject", "Open Converting Project", "" },
    { "file", "saveRecordingProject", "Save Converting Project", "" },
    { "file", nullptr, "", "" },
    { "file", "Exit", "Exit", "Ctrl+X" },
    { "edit", "LoadList", "Load List", "Ctrl+L" },
    { "edit", "savelist", "Save List", "" },
    { "edit", nullptr, "", "" },
    { "edit", "addhtml", "Add HTML Files", "Ctrl+H" },
    { "edit", "addfiles", "Add URL", "Ctrl+U" },
    { "edit", nullptr, "", "" },
    { "edit", "RemoveSelectedFile", "Remove Selected URL", "Ctrl+R" },
    { "edit", "ClearAllFiles", "Clear All URL", "" },
    { "edit", nullptr, "", "" },
    { "edit", "play", "Visit at Selected URL", "Ctrl+V" },
    { "action", "BurnNow", "Convert Now!", "Ctrl+C" },
    { "action", "CancelBurn", "Cancel Convert", "" },
    { "action", nullptr, "", "" },
    { "action", "editid3", "Mini Browser", "Ctrl+B" },
    { "option", "settings", "Settings", "Ctrl+S" },
    { "option", nullptr, "", "" },
    { "option", "Schedule", "Schedule", "" },
    { "help", "helphelp", "Help", "F1" },
    { "help", nullptr, "", "" },
    { "help", "CDBurnerHomePage", "Quillmark Home Page", "Ctrl+P" },
    { "help", "SupportOnline", "Support Online", "Ctrl+T" },
};

TEST_F(MainWindowTest, MenusHoldEveryItemWithCaptionAndShortcutInOrder)
{
    app::MainWindow* window = makeWindow();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillmark v2.70"));
    EXPECT_EQ(window->objectName(), QStringLiteral("Form1"));

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
        if (!item.name) {
            EXPECT_TRUE(action->isSeparator()) << item.menu << " position " << at;
            continue;
        }
        EXPECT_EQ(action->objectName(), QLatin1String(item.name));
        EXPECT_EQ(action->text(), QLatin1String(item.caption)) << item.name;
        EXPECT_EQ(action->shortcut(), QKeySequence(QLatin1String(item.shortcut))) << item.name;
    }
    for (auto it = position.cbegin(); it != position.cend(); ++it)
        EXPECT_EQ(window->findChild<QMenu*>(it.key())->actions().size(), it.value()) << qPrintable(it.key());
}

TEST_F(MainWindowTest, PopupMenuHoldsItsItemsInOrder)
{
    app::MainWindow* window = makeWindow();
    auto* popup = window->findChild<QMenu*>(QStringLiteral("popmenu"));
    ASSERT_NE(popup, nullptr);
    QStringList items;
    for (QAction* action : popup->actions())
        items.append(action->isSeparator() ? QStringLiteral("-") : action->objectName() + "=" + action->text());
    EXPECT_EQ(items,
        QStringList({ "convertstart=Convert Now!", "settings1=Settings", "-", "playselectedfile=Open Selected Url", "-",
            "LoadList1=Load List", "AddHTMLFiles1=Add HTML Files", "addfiless=Add Url Item", "-",
            "removeselecteditem=Remove Selected Item", "clearallitems=Clear All Items" }));
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
    auto* list = window->findChild<UrlListWidget*>(QStringLiteral("lvwAudioTracks"));
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
    QWidget* addUrl = find<QWidget>(QStringLiteral("Form3"));
    ASSERT_NE(addUrl, nullptr);
    EXPECT_TRUE(addUrl->isModal());
    addUrl->close();

    activate(window);
    QTest::keyClick(
        window->findChild<UrlListWidget*>(QStringLiteral("lvwAudioTracks")), Qt::Key_S, Qt::ControlModifier);
    QWidget* settings = find<QWidget>(QStringLiteral("settingsDialog"));
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(settings->isModal());
}

TEST_F(MainWindowTest, LayoutHasItsNamedPartsAndHidesTheProgressPanelAtLoad)
{
    app::MainWindow* window = makeWindow();
    window->show();
    for (const char* name : { "Picture5", "lvwAudioTracks", "Picture6", "Frame1", "SkinLabel1", "Frame2", "SkinLabel6",
             "prgTotalProgress", "Image9", "Image11" })
        EXPECT_NE(window->findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
    EXPECT_FALSE(window->findChild<QWidget*>(QStringLiteral("Picture6"))->isVisible());
    EXPECT_EQ(window->findChild<QGroupBox*>(QStringLiteral("Frame1"))->title(), QStringLiteral("Status"));
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("Label10"))->text(), QStringLiteral("CANCEL"));
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("Label11"))->text(), QStringLiteral("EXIT"));

    auto* list = window->findChild<QTreeView*>(QStringLiteral("lvwAudioTracks"));
    EXPECT_EQ(list->toolTip(), QStringLiteral("Double Click to Visit at the URL"));
    QStringList headers;
    for (int c = 0; c < list->model()->columnCount(); ++c)
        headers.append(list->model()->headerData(c, Qt::Horizontal).toString());
    EXPECT_EQ(headers, QStringList({ "URL List", "Output Format", "Status" }));

    const QStringList captions { "Load List", "Add Html Files", "Add Url", "Save List", "CONVERT NOW", "Setting",
        "Schedule", "Help", "Exit" };
    for (int i = 0; i < captions.size(); ++i) {
        auto* label = window->findChild<QLabel*>(QStringLiteral("Label%1").arg(i + 1));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), captions[i]);
    }
}

TEST_F(MainWindowTest, HoveringAnImageFramesItAloneAndTheStripRemovesEveryFrame)
{
    app::MainWindow* window = makeWindow();
    activate(window);
    const QStringList names { "Image1", "Image2", "Image3", "Image4", "Image5", "Image6", "Image7", "Image8",
        "Image10" };
    auto framed = [&] {
        QStringList on;
        for (const QString& name : names) {
            if (window->findChild<app::ImageButtonWidget*>(name)->isFramed())
                on.append(name);
        }
        return on;
    };
    auto* convert = window->findChild<app::ImageButtonWidget*>(QStringLiteral("Image5"));
    auto* help = window->findChild<app::ImageButtonWidget*>(QStringLiteral("Image8"));
    QTest::mouseMove(convert, convert->rect().center());
    EXPECT_EQ(framed(), QStringList({ "Image5" }));
    QTest::mouseMove(help, help->rect().center());
    EXPECT_EQ(framed(), QStringList({ "Image8" }));
    QWidget* strip = window->findChild<QWidget*>(QStringLiteral("Picture5"));
    QTest::mouseMove(strip, QPoint(strip->width() - 5, strip->height() / 2));
    EXPECT_TRUE(framed().isEmpty());
    // The progress panel's images have no hover frame.
    auto* cancel = window->findChild<app::ImageButtonWidget*>(QStringLiteral("Image9"));
    EXPECT_FALSE(cancel->isFramed());
}

TEST_F(MainWindowTest, ToolbarOpensAddUrlWithoutModalityAndTheMenuWithIt)
{
    app::MainWindow* window = makeWindow();
    activate(window);
    auto* image3 = window->findChild<app::ImageButtonWidget*>(QStringLiteral("Image3"));
    QTest::mouseClick(image3, Qt::LeftButton);
    QWidget* addUrl = find<QWidget>(QStringLiteral("Form3"));
    ASSERT_NE(addUrl, nullptr);
    EXPECT_FALSE(addUrl->isModal());
    // Only one Add URL window at a time.
    window->findChild<QAction*>(QStringLiteral("addfiles"))->trigger();
    EXPECT_EQ(window->findChildren<QWidget*>(QStringLiteral("Form3")).size(), 1);
}

} // namespace
} // namespace qm::test
