// Opening, following links, the address box, history and Stop, against the real engine.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStatusBar>
#include <QUrl>

#include "platform/cdp/Tab.h"
#include "tests/browser/BrowserFixture.h"
#include "tests/support/LocalPages.h"

namespace qm::test {

namespace {

QByteArray ColouredPage(const char* colour, const QByteArray& body = {})
{
    return "<!doctype html><html><body style='margin:0;background:" + QByteArray(colour) + "'>" + body
        + "</body></html>";
}

const QByteArray kLinkPage = ColouredPage("rgb(20,120,220)",
    "<a id='next' href='/second' style='display:block;margin:40px;width:200px;height:60px;background:white'>next</a>"
    "<p id='plain' style='margin:40px'>plain text</p>");

} // namespace

class NavigationTest : public MiniBrowserTest
{
protected:
    void SetUp() override
    {
        server.page(QStringLiteral("/first"), kLinkPage);
        server.page(QStringLiteral("/second"), ColouredPage("rgb(220,40,40)"));
        server.page(QStringLiteral("/third"), ColouredPage("rgb(40,200,60)"));
    }
};

TEST_F(NavigationTest, OpensOnTheStartAddressAndShowsThePageLive)
{
    Open(server.url(QStringLiteral("/first")));
    EXPECT_EQ(address()->text(), server.url(QStringLiteral("/first")));
    EXPECT_TRUE(ShowsColour(QPoint(5, view()->height() - 5), qRgb(20, 120, 220)));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Browser"));
    EXPECT_TRUE(form->isModal());
    // The page is laid out at the view's size, not at the engine's default.
    const Result<QJsonValue> size = Evaluate(QStringLiteral("[innerWidth, innerHeight]"));
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(size->toArray().at(0).toInt(), view()->width());
    EXPECT_EQ(size->toArray().at(1).toInt(), view()->height());
}

TEST_F(NavigationTest, HoveringALinkShowsItsAddressAndClickingFollowsIt)
{
    Open(server.url(QStringLiteral("/first")));
    const QPoint link = CenterOf(QStringLiteral("#next"));

    MoveTo(CenterOf(QStringLiteral("#plain")));
    MoveTo(link);
    ASSERT_TRUE(WaitUntil([&] { return !view()->linkUnderMouse().isEmpty(); }, view(), &PageViewWidget::linkHovered));
    EXPECT_EQ(form->statusText(), server.url(QStringLiteral("/second")));
    EXPECT_EQ(view()->cursor().shape(), Qt::PointingHandCursor);

    MoveTo(QPoint(view()->width() - 5, view()->height() - 5));
    ASSERT_TRUE(WaitUntil([&] { return view()->linkUnderMouse().isEmpty(); }, view(), &PageViewWidget::linkHovered));
    EXPECT_EQ(view()->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(form->statusText(), QStringLiteral("Done")); // the loading state again

    const QString loaded = LoadBy([&] { Click(link); });
    EXPECT_EQ(loaded, server.url(QStringLiteral("/second")));
    EXPECT_EQ(address()->text(), server.url(QStringLiteral("/second")));
    EXPECT_TRUE(ShowsColour(QPoint(5, 5), qRgb(220, 40, 40)));
}

TEST_F(NavigationTest, GoAndEnterLoadTheAddressBoxText)
{
    ASSERT_TRUE(QDir(home.path()).mkpath(kAwkwardFolder));
    QFile local(home.file(kAwkwardFolder + QStringLiteral("/local #1 \u00fc.html")));
    ASSERT_TRUE(local.open(QIODevice::WriteOnly));
    local.write(ColouredPage("rgb(250,200,0)"));
    local.close();

    struct Row
    {
        const char* name;
        QString typed;
        QString loaded;
        bool byEnter;
    };
    const QList<Row> rows {
        { "Go button", server.url(QStringLiteral("/second")), server.url(QStringLiteral("/second")), false },
        { "Enter in the box", server.url(QStringLiteral("/third")), server.url(QStringLiteral("/third")), true },
        { "local file path", local.fileName(), QUrl::fromLocalFile(local.fileName()).toString(QUrl::FullyEncoded),
            true },
    };
    Open(server.url(QStringLiteral("/first")));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        address()->setText(row.typed);
        const QString loaded = LoadBy([&] {
            if (row.byEnter) {
                QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
                QApplication::sendEvent(address(), &enter);
            } else {
                ClickButton("GoButton");
            }
        });
        EXPECT_EQ(loaded, row.loaded);
    }
    EXPECT_TRUE(ShowsColour(QPoint(5, 5), qRgb(250, 200, 0)));

    // What is not a page, or a file that is not there, is said in the status bar; the page stays.
    const QString missing = home.file(QStringLiteral("gone.html"));
    for (const QString& typed : { QStringLiteral("javascript:alert(1)"), missing }) {
        address()->setText(typed);
        ClickButton("GoButton");
        EXPECT_TRUE(form->statusText().contains(typed.startsWith(u'/') ? "file not found: " + missing : "javascript:"))
            << form->statusText().toStdString();
    }
    EXPECT_TRUE(ShowsColour(QPoint(5, 5), qRgb(250, 200, 0)));
}

TEST_F(NavigationTest, BackAndForwardWalkTheHistory)
{
    Open(server.url(QStringLiteral("/first")));
    // Back with no history does nothing: the page stays and nothing breaks.
    ClickButton("BackButton");
    ClickButton("ForwardButton");
    EXPECT_EQ(LoadBy([&] { Click(CenterOf(QStringLiteral("#next"))); }), server.url(QStringLiteral("/second")));
    MoveTo(QPoint(view()->width() - 5, view()->height() - 5)); // off the link, so the status shows loading
    EXPECT_TRUE(ShowsColour(QPoint(5, 5), qRgb(220, 40, 40)));

    // Pages may come back from the back-forward cache without loading: the box follows them all the same.
    ClickButton("BackButton");
    EXPECT_TRUE(ShowsPage(server.url(QStringLiteral("/first"))));
    EXPECT_TRUE(ShowsColour(QPoint(5, view()->height() - 5), qRgb(20, 120, 220)));

    ClickButton("ForwardButton");
    EXPECT_TRUE(ShowsPage(server.url(QStringLiteral("/second"))));
    EXPECT_TRUE(ShowsColour(QPoint(5, 5), qRgb(220, 40, 40)));
}

// A local page reads its own folder and the folders the settings allow, as in a conversion; Back to it
// from a web page lets it read them again.
TEST_F(NavigationTest, LocalPagesReadTheAllowedFoldersAlsoAfterBack)
{
    const QString shared = home.file(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkpath(shared) && QDir().mkpath(home.file(QStringLiteral("pages"))));
    QImage dot(4, 4, QImage::Format_RGB32);
    dot.fill(Qt::red);
    ASSERT_TRUE(dot.save(shared + QStringLiteral("/dot.png")));
    QFile local(home.file(QStringLiteral("pages/local.html")));
    ASSERT_TRUE(local.open(QIODevice::WriteOnly));
    local.write(ColouredPage("rgb(250,200,0)", "<img id='dot' src='../shared/dot.png'>"));
    local.close();
    home.set(QStringLiteral("set"), QStringLiteral("allowfiles"), shared);
    const QString localUrl = QUrl::fromLocalFile(local.fileName()).toString(QUrl::FullyEncoded);
    // The picture's width once it has loaded or failed to.
    const QString loaded = QStringLiteral("new Promise((done) => { const dot = document.getElementById('dot'); "
                                          "if (dot.complete) done(dot.naturalWidth); else dot.onload = dot.onerror = "
                                          "() => done(dot.naturalWidth); })");

    const auto pictureWidth = [&] {
        const Result<QJsonValue> width = Evaluate(loaded);
        EXPECT_TRUE(width.has_value()) << width.error().message.toStdString();
        return width.value_or(QJsonValue()).toInt();
    };
    Open(localUrl);
    ASSERT_TRUE(ShowsPage(localUrl)); // not the blank page the tab starts on
    EXPECT_EQ(pictureWidth(), 4);

    address()->setText(server.url(QStringLiteral("/first")));
    EXPECT_EQ(LoadBy([&] { ClickButton("GoButton"); }), server.url(QStringLiteral("/first")));
    EXPECT_EQ(LoadBy([&] { ClickButton("BackButton"); }), localUrl);
    EXPECT_TRUE(ShowsPage(localUrl));
    EXPECT_TRUE(ShowsColour(QPoint(5, view()->height() - 5), qRgb(250, 200, 0)));
    EXPECT_EQ(pictureWidth(), 4);
}

TEST_F(NavigationTest, StopEndsAPageThatNeverFinishesLoading)
{
    server.stall(QStringLiteral("/never.png"));
    server.page(QStringLiteral("/stalled"), ColouredPage("rgb(90,90,90)", "<img src='/never.png'>"));
    Open(server.url(QStringLiteral("/first")));

    address()->setText(server.url(QStringLiteral("/stalled")));
    ClickButton("GoButton");
    ASSERT_TRUE(ShowsColour(QPoint(view()->width() - 5, 5), qRgb(90, 90, 90)));
    EXPECT_TRUE(form->statusText().startsWith(QStringLiteral("Loading")));
    const Result<QJsonValue> before = Evaluate(QStringLiteral("document.readyState"));
    ASSERT_TRUE(before.has_value());
    EXPECT_NE(before->toString(), QStringLiteral("complete"));

    LoopRunner stopped;
    QObject::connect(form->tab(), &cdp::Tab::loadFailed, form, [&] { stopped.done(); });
    ClickButton("StopButton");
    ASSERT_TRUE(stopped.run(10s));
    const Result<QJsonValue> after = Evaluate(QStringLiteral("document.readyState"));
    ASSERT_TRUE(after.has_value());
    EXPECT_EQ(after->toString(), QStringLiteral("complete"));
    EXPECT_FALSE(form->statusText().startsWith(QStringLiteral("Loading")));
    // Stop with nothing loading does nothing; browsing goes on.
    ClickButton("StopButton");
    ClickButton("BackButton");
    EXPECT_TRUE(ShowsPage(server.url(QStringLiteral("/first"))));
    EXPECT_TRUE(ShowsColour(QPoint(5, view()->height() - 5), qRgb(20, 120, 220)));
}

TEST_F(NavigationTest, FrameAddressesPassThroughTheBoxWhileThePageAddressStays)
{
    server.page(QStringLiteral("/framed"),
        ColouredPage("white", "<iframe src='/inner'></iframe><iframe src='/third'></iframe>"));
    server.page(QStringLiteral("/inner"), ColouredPage("black"));
    Open(server.url(QStringLiteral("/first")));

    QStringList shown;
    QObject::connect(address(), &QLineEdit::textChanged, form, [&](const QString& text) { shown << text; });
    address()->setText(server.url(QStringLiteral("/framed")));
    shown.clear();
    EXPECT_EQ(LoadBy([&] { ClickButton("GoButton"); }), server.url(QStringLiteral("/framed")));
    EXPECT_TRUE(shown.contains(server.url(QStringLiteral("/inner")))) << shown.join(u' ').toStdString();
    EXPECT_TRUE(shown.contains(server.url(QStringLiteral("/third")))) << shown.join(u' ').toStdString();
    EXPECT_EQ(address()->text(), server.url(QStringLiteral("/framed")));
}

} // namespace qm::test
