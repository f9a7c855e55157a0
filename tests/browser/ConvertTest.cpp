// "CONVERT NOW!" converts exactly what the page view shows, then gives the page back.
#include <QDir>
#include <QImageReader>
#include <QPushButton>

#include "capture/Naming.h"
#include "platform/cdp/Tab.h"
#include "tests/browser/BrowserFixture.h"

namespace qm::test {

namespace {

// 3000 px tall: a blue top, a peach bottom with a field, and a box that turns green once the field
// holds "quill" (so typing shows in the pixels).
const QByteArray kLongPage = R"HTML(<!doctype html><html><body style="margin:0;height:3000px;position:relative">
<div style="position:absolute;top:0;height:2400px;width:100%;background:rgb(30,60,200)"></div>
<div style="position:absolute;top:2400px;height:600px;width:100%;background:rgb(255,220,180)"></div>
<input id="field" style="position:absolute;left:20px;top:2450px;width:300px;height:30px"
       oninput="document.getElementById('box').style.background = this.value === 'quill' ? 'rgb(0,170,0)' : 'red'">
<div id="box" style="position:absolute;left:400px;top:2500px;width:100px;height:100px;background:red"></div>
<a id="away" href="/other" style="position:absolute;left:20px;top:2700px">away</a>
</body></html>)HTML";

const QRgb kPeach = qRgb(255, 220, 180);

// What the user would notice if the conversion left the page changed.
const QString kViewState = QStringLiteral("[innerWidth, innerHeight, scrollY, document.body.getAttribute('style'), "
                                          "document.getElementById('field').value]");
const QRgb kGreen = qRgb(0, 170, 0);

} // namespace

class ConvertTest : public MiniBrowserTest
{
protected:
    void SetUp() override
    {
        server.page(QStringLiteral("/long"), kLongPage);
        server.page(QStringLiteral("/other"), "<!doctype html><body style='background:rgb(0,0,0)'>");
        home.set(QStringLiteral("set"), QStringLiteral("outputformat"), QStringLiteral("PNG"));
        home.set(QStringLiteral("set"), QStringLiteral("outputfolder"), QStringLiteral("0"));
        Open(server.url(QStringLiteral("/long")));
    }

    // Clicks "CONVERT NOW!" and runs until the window shows its message.
    bool Convert()
    {
        LoopRunner runner;
        messages.onShown = [&] { runner.done(); };
        ClickButton("ConvertNowButton");
        const bool shown = runner.run(60s);
        messages.onShown = nullptr;
        return shown;
    }

    // Scrolls to the bottom and types into the field there, until the page shows it.
    void ScrollDownAndType()
    {
        Wheel(QPoint(600, 300), 30);
        ASSERT_TRUE(ShowsColour(QPoint(5, 5), kPeach)) << "the page did not scroll";
        Settle();
        Click(CenterOf(QStringLiteral("#field")));
        Type(QStringLiteral("quill"));
        ASSERT_TRUE(ShowsColour(CenterOf(QStringLiteral("#box")), kGreen)) << "the typing did not reach the page";
    }
};

TEST_F(ConvertTest, ConvertsTheWholePageAsTheUserLeftItAndGivesThePageBack)
{
    ScrollDownAndType();
    const QRect placeBefore = view()->geometry();
    const QSize viewportBefore = form->tab()->viewport();
    const Result<QJsonValue> stateBefore = Evaluate(kViewState);
    ASSERT_TRUE(stateBefore.has_value());
    ASSERT_GT(stateBefore->toArray().at(2).toInt(), 2000);

    // The output is named after the address box as it reads at the click.
    const QString typedAddress = QStringLiteral("http://named.example/some/page.html");
    address()->setText(typedAddress);
    ASSERT_TRUE(Convert());

    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_FALSE(messages.shown[0].error) << messages.shown[0].text.toStdString();
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Conversion completed!"));
    EXPECT_TRUE(openedFolders.isEmpty()) << "the folder opens once the message is answered";
    messages.shown[0].dismissed();
    EXPECT_EQ(openedFolders, QStringList { home.path() });

    // The page view and the page are where the user left them.
    EXPECT_EQ(view()->geometry(), placeBefore);
    EXPECT_EQ(form->tab()->viewport(), viewportBefore);
    const Result<QJsonValue> stateAfter = Evaluate(kViewState);
    ASSERT_TRUE(stateAfter.has_value());
    EXPECT_EQ(stateAfter->toArray(), stateBefore->toArray());
    EXPECT_FALSE(form->isConverting());

    const QString output = home.file(SiteNameFromAddress(typedAddress) + QStringLiteral(".png"));
    ASSERT_TRUE(QFile::exists(output)) << QDir(home.path()).entryList().join(u' ').toStdString();
    QImageReader::setAllocationLimit(0);
    const QImage image(output);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.height(), 3000) << "the whole page, not the part on show";
    EXPECT_EQ(image.width(), viewportBefore.width());
    EXPECT_LT(ColourDistance(image.pixel(5, 5), qRgb(30, 60, 200)), 24);
    EXPECT_LT(ColourDistance(image.pixel(450, 2550), kGreen), 24) << "the typed text is not in the output";
    EXPECT_LT(ColourDistance(image.pixel(5, 2990), kPeach), 24);

    // Browsing goes on in the same view.
    EXPECT_EQ(LoadBy([&] { Click(CenterOf(QStringLiteral("#away"))); }), server.url(QStringLiteral("/other")));
    EXPECT_TRUE(ShowsColour(QPoint(5, 5), qRgb(0, 0, 0)));
}

TEST_F(ConvertTest, HonoursThePageSettingsAndGivesThePageBackUnchanged)
{
    home.set(QStringLiteral("page"), QStringLiteral("hide"), QStringLiteral("#box"));
    const QString shown = QStringLiteral("getComputedStyle(document.getElementById('box')).visibility");
    ASSERT_EQ(Evaluate(shown).value_or(QJsonValue()).toString(), QStringLiteral("visible"));
    ASSERT_TRUE(Convert());
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_FALSE(messages.shown[0].error) << messages.shown[0].text.toStdString();

    const QStringList pictures = QDir(home.path()).entryList({ QStringLiteral("*.png") }, QDir::Files);
    ASSERT_EQ(pictures.size(), 1);
    QImageReader::setAllocationLimit(0);
    const QImage image(home.file(pictures[0]));
    EXPECT_LT(ColourDistance(image.pixel(450, 2550), kPeach), 24) << "the box is in the output";
    EXPECT_EQ(Evaluate(shown).value_or(QJsonValue()).toString(), QStringLiteral("visible"))
        << "the page the user browses on shows the box again";
}

// An app shell under a cookie banner that locks its scrolling, a floating newsletter box and a fixed side
// panel: each capture step changes something of it (the page controls, the opened scrollers, the body's
// look, the PDF's own opening of the scrollers).
const QByteArray kBusyPage = R"HTML(<!doctype html><html style="overflow:hidden"><head>
<style>html,body{height:100%}</style></head><body style="margin:8px">
<div id="shell" style="overflow:auto;height:100%"><div style="height:5000px;background:rgb(200,220,255)"></div>
<p id="ad">advert</p></div>
<nav style="position:fixed;top:0;bottom:0;right:0;width:200px;overflow:auto"><div style="height:3000px"></div></nav>
<div id="onetrust-banner-sdk" style="position:fixed;bottom:0;width:100%;height:80px;background:black"></div>
<div class="newsletter-popup" style="position:fixed;top:100px;left:100px;width:200px;height:100px"></div>
</body></html>)HTML";

// Every element with all its attributes and scroll offsets, the window's scroll position, the added
// style sheets and what the user sees of the hidden element.
const QString kWholeLook
    = QStringLiteral("JSON.stringify([scrollX, scrollY, document.adoptedStyleSheets.length, "
                     "getComputedStyle(document.getElementById('ad')).visibility, "
                     "getComputedStyle(document.getElementById('onetrust-banner-sdk')).display, "
                     "[...document.querySelectorAll('*')].map((e) => [e.localName, e.scrollTop, e.scrollLeft, "
                     "[...e.attributes].map((a) => a.name + '=' + a.value)])])");

class GiveBackTest : public ConvertTest
{
protected:
    void SetUp() override
    {
        server.page(QStringLiteral("/busy"), kBusyPage);
        home.set(QStringLiteral("set"), QStringLiteral("outputfolder"), QStringLiteral("0"));
        Open(server.url(QStringLiteral("/busy")));
    }
};

TEST_F(GiveBackTest, APageChangedByEveryCaptureStepIsGivenBackWhole)
{
    home.set(QStringLiteral("set"), QStringLiteral("outputtype"), QStringLiteral("PDF"));
    home.set(QStringLiteral("set"), QStringLiteral("outputformat"), QStringLiteral("PDF"));
    home.set(QStringLiteral("set"), QStringLiteral("Thumbnail"), QStringLiteral("1"));
    home.set(QStringLiteral("set"), QStringLiteral("imagesize"), QStringLiteral("10"));
    home.set(QStringLiteral("page"), QStringLiteral("nooverlays"), QStringLiteral("1"));
    home.set(QStringLiteral("page"), QStringLiteral("hide"), QStringLiteral("#ad"));
    home.set(QStringLiteral("page"), QStringLiteral("style"), QStringLiteral("p { color: red }"));
    ASSERT_TRUE(Evaluate(QStringLiteral("document.getElementById('shell').scrollTop = 1234, 1")));
    const Result<QJsonValue> before = Evaluate(kWholeLook);
    ASSERT_TRUE(before.has_value());
    ASSERT_TRUE(before->toString().contains(QStringLiteral("1234")));

    ASSERT_TRUE(Convert());
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_FALSE(messages.shown[0].error) << messages.shown[0].text.toStdString();
    EXPECT_EQ(QDir(home.path()).entryList({ QStringLiteral("*.pdf") }, QDir::Files).size(), 1);
    EXPECT_EQ(QDir(home.path()).entryList({ QStringLiteral("*_Thumbnail.jpg") }, QDir::Files).size(), 1);

    const Result<QJsonValue> after = Evaluate(kWholeLook);
    ASSERT_TRUE(after.has_value());
    EXPECT_EQ(after->toString().toStdString(), before->toString().toStdString());
}

TEST_F(ConvertTest, AConversionThatWritesNothingSaysWhyAndOpensNoFolder)
{
    // The output folder would have to be made inside a file.
    home.set(QStringLiteral("set"), QStringLiteral("outputfolder"), home.settingsPath() + QStringLiteral("/out"));
    ScrollDownAndType();
    const QRect placeBefore = view()->geometry();
    const Result<QJsonValue> stateBefore = Evaluate(kViewState);
    ASSERT_TRUE(Convert());

    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].error);
    EXPECT_TRUE(messages.shown[0].text.startsWith(QStringLiteral("The page could not be converted: ")))
        << messages.shown[0].text.toStdString();
    if (messages.shown[0].dismissed)
        messages.shown[0].dismissed();
    EXPECT_TRUE(openedFolders.isEmpty());
    EXPECT_EQ(view()->geometry(), placeBefore);
    EXPECT_TRUE(form->findChild<QPushButton*>(QStringLiteral("ConvertNowButton"))->isEnabled());
    const Result<QJsonValue> stateAfter = Evaluate(kViewState);
    ASSERT_TRUE(stateBefore.has_value() && stateAfter.has_value());
    EXPECT_EQ(stateAfter->toArray(), stateBefore->toArray());

    // The page stays live: scrolling back up shows its top again.
    Wheel(QPoint(600, 300), -30);
    EXPECT_TRUE(ShowsColour(QPoint(5, 5), qRgb(30, 60, 200)));
}

} // namespace qm::test
