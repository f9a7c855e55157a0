// The window itself: its controls, resizing, and how the desktop opens and closes it.
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

#include "browser/BrowserPlacement.h"
#include "browser/MiniBrowserUi.h"
#include "desktop/DesktopHooks.h"
#include "platform/UserDialogs.h"
#include "platform/cdp/Tab.h"
#include "tests/browser/BrowserFixture.h"

namespace qm::test {

namespace {

const QByteArray kPage = "<!doctype html><body style='margin:0;background:rgb(240,160,20)'>"
                         "<a id='next' href='/next'>next</a>";

// Message boxes answered by the test; pickers are not used by this window.
class AnsweredDialogs : public UserDialogs
{
public:
    void message(QWidget* parent, Icon icon, const QString& text, std::function<void()> dismissed) override
    {
        shown.append({ parent, icon, text });
        if (dismissed)
            dismissed();
        if (onShown)
            onShown();
    }
    void chooseFiles(QWidget*, const FileRequest&, std::function<void(QStringList)> chosen) override { chosen({}); }
    void chooseFolder(QWidget*, const QString&, const QString&, std::function<void(QString)> chosen) override
    {
        chosen({});
    }
    void chooseColour(QWidget*, QColor, std::function<void(std::optional<QColor>)> chosen) override
    {
        chosen(std::nullopt);
    }

    struct Shown
    {
        QWidget* parent;
        Icon icon;
        QString text;
    };
    QList<Shown> shown;
    std::function<void()> onShown;
};

QList<MiniBrowserWindow*> OpenMiniBrowsers()
{
    QList<MiniBrowserWindow*> found;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* form = qobject_cast<MiniBrowserWindow*>(w); form && w->isVisible())
            found << form;
    }
    return found;
}

} // namespace

class WindowTest : public MiniBrowserTest
{
protected:
    void SetUp() override { server.page(QStringLiteral("/page"), kPage); }

    // Resizes the window's client area and runs until the page has been laid out at the view's new size.
    void ResizeTo(QSize client)
    {
        form->resize(client);
        const QSize wanted = view()->size();
        ASSERT_TRUE(
            WaitUntil([&] { return view()->currentFrame().size() == wanted; }, view(), &PageViewWidget::frameShown))
            << "no frame at the new size: the view is " << wanted.width() << "x" << wanted.height() << ", the frame "
            << view()->currentFrame().width() << "x" << view()->currentFrame().height();
    }
};

TEST_F(WindowTest, HasTheControlsOfTheBrowserWindow)
{
    Open(server.url(QStringLiteral("/page")));
    const QList<QPair<const char*, QString>> buttons { { "GoButton", "Go" }, { "BackButton", "Back" },
        { "ForwardButton", "Forward" }, { "StopButton", "Stop" }, { "ConvertNowButton", "CONVERT NOW!" } };
    for (const auto& [name, caption] : buttons) {
        auto* button = form->findChild<QPushButton*>(QLatin1String(name));
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->text(), caption);
    }
    EXPECT_TRUE(form->findChild<QPushButton*>(QStringLiteral("ConvertNowButton"))->toolTip().contains(u"image"));
    EXPECT_EQ(
        form->findChild<QLabel*>(QLatin1String(ObjectName(kMiniBrowserLegacyObjectNames, "addressLabel")))->text(),
        QStringLiteral("Address:"));
    EXPECT_EQ(
        form->findChild<QGroupBox*>(QLatin1String(ObjectName(kMiniBrowserLegacyObjectNames, "browserBox")))->title(),
        QStringLiteral("Browser"));
    EXPECT_NE(form->findChild<QStatusBar*>(QStringLiteral("statusBar")), nullptr);
    EXPECT_EQ(view()->objectName(), QStringLiteral("pageView"));
    EXPECT_EQ(view()->pos(), QPoint(kBrowserLeft, kBrowserTop));
}

TEST_F(WindowTest, ResizingTheWindowResizesThePageButNeverBelowNothing)
{
    Open(server.url(QStringLiteral("/page")));
    const int statusHeight = form->findChild<QStatusBar*>(QStringLiteral("statusBar"))->height();

    ResizeTo(QSize(1300, 900));
    EXPECT_EQ(view()->geometry(), QRect(6, 60, 1300 - 12, 900 - 60 - statusHeight));
    EXPECT_EQ(form->tab()->viewport(), view()->size());
    const Result<QJsonValue> size = Evaluate(QStringLiteral("[innerWidth, innerHeight]"));
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(QSize(size->toArray().at(0).toInt(), size->toArray().at(1).toInt()), view()->size());

    // Too low for the page: the width follows, the height stays as it was.
    ResizeTo(QSize(700, 50));
    EXPECT_EQ(view()->geometry(), QRect(6, 60, 700 - 12, 900 - 60 - statusHeight));
    EXPECT_EQ(form->tab()->viewport(), view()->size());
}

TEST(BrowserPlacementTest, TheResizeRule)
{
    struct Row
    {
        const char* name;
        QSize client;
        QRect expected;
    };
    const QRect current(6, 60, 500, 400);
    const Row rows[] = {
        { "grows with the window", QSize(1000, 800), QRect(6, 60, 988, 720) },
        { "one pixel of page left", QSize(13, 81), QRect(6, 60, 1, 1) },
        { "no height left keeps the height", QSize(1000, 80), QRect(6, 60, 988, 400) },
        { "a minimised window keeps both", QSize(0, 0), QRect(6, 60, 500, 400) },
    };
    for (const Row& row : rows)
        EXPECT_EQ(BrowserGeometryFor(current, row.client, 20), row.expected) << row.name;
}

TEST_F(WindowTest, TheDesktopOpensAFreshModalWindowOnTheStartAddressAndExitClosesIt)
{
    AnsweredDialogs dialogs;
    QStringList folders;
    DesktopHooks hooks;
    hooks.home = &home.home();
    hooks.engine = &SharedBrowser();
    hooks.dialogs = &dialogs;
    hooks.openFolder = [&](const QString& folder) { folders << folder; };
    int skinned = 0;
    hooks.applySkin = [&](QWidget*) { ++skinned; };
    RegisterMiniBrowser(hooks);
    ASSERT_TRUE(hooks.openMiniBrowser);
    ASSERT_TRUE(hooks.unloadMiniBrowser);

    hooks.browserStartAddress = server.url(QStringLiteral("/page"));
    hooks.openMiniBrowser();
    ASSERT_EQ(OpenMiniBrowsers().size(), 1);
    form = OpenMiniBrowsers().first();
    EXPECT_TRUE(form->isModal());
    EXPECT_EQ(skinned, 1);
    ASSERT_TRUE(ShowsPage(server.url(QStringLiteral("/page"))));

    // Opening again while it is open brings the same window forward.
    hooks.openMiniBrowser();
    EXPECT_EQ(OpenMiniBrowsers(), QList<MiniBrowserWindow*> { form.data() });

    // Its messages go through the desktop's dialogs, over the window; answering opens the folder.
    LoopRunner converted;
    dialogs.onShown = [&] { converted.done(); };
    ClickButton("ConvertNowButton");
    ASSERT_TRUE(converted.run(60s));
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].icon, UserDialogs::Icon::Information);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("Conversion completed!"));
    EXPECT_EQ(dialogs.shown[0].parent, form.data());
    EXPECT_EQ(folders, QStringList { home.path() });

    hooks.unloadMiniBrowser();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(OpenMiniBrowsers().isEmpty());
    delete form.data(); // what the program's event loop would do after the close

    // A new opening makes a new window on the address set for it, with no history.
    hooks.browserStartAddress = server.url(QStringLiteral("/next"));
    server.page(QStringLiteral("/next"), kPage);
    hooks.openMiniBrowser();
    ASSERT_EQ(OpenMiniBrowsers().size(), 1);
    form = OpenMiniBrowsers().first();
    EXPECT_EQ(address()->text(), server.url(QStringLiteral("/next")));
    ASSERT_TRUE(ShowsPage(server.url(QStringLiteral("/next"))));
    EXPECT_EQ(skinned, 2);
}

} // namespace qm::test
