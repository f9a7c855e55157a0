// "No overlays" on consent dialogs known by their look and words rather than their names, and on the
// fixed boxes that look alike but are the page.
#include <QJsonArray>
#include <QJsonValue>

#include "capture/OverlaySelectors.h"
#include "capture/PageChangeRegistry.h"
#include "capture/PageChanges.h"
#include "capture/PageControls.h"
#include "tests/engine/EngineFixture.h"
#include "tests/support/EventLoop.h"

namespace qm::test {
namespace {

const QRgb kPage = qRgb(0, 0, 200);

// A 2000 px page of its own colour, with `words` of text in it, and `over` on top of it.
QByteArray Page(const QString& over, const QString& words = QStringLiteral("An ordinary day in town."),
    const QString& bodyStyle = QStringLiteral("margin:0"))
{
    QString text;
    for (int i = 0; i < 40; ++i)
        text += QStringLiteral("<p>%1 The council met, the market opened and the trains ran on time.</p>").arg(words);
    return QStringLiteral("<!doctype html><meta charset='utf-8'><body style='%1'>"
                          "<div style='min-height:2000px;background:rgb(0,0,200);color:rgb(0,0,200)'>%2</div>%3</body>")
        .arg(bodyStyle, text, over)
        .toUtf8();
}

// A consent manager's full-screen dialog under a name that says nothing: a dark backdrop and a box.
QString Dialog(const QString& heading, const QString& accept, const QString& reject)
{
    return QStringLiteral("<div id='pp' class='sp-modal-root' style='position:fixed;inset:0;z-index:10;"
                          "background:rgba(20,20,20,0.97)'><div style='margin:150px auto;width:500px;padding:20px;"
                          "background:white'><h2>%1</h2><p>We and our partners store and access information on your "
                          "device.</p><button>%2</button><button>%3</button></div></div>")
        .arg(heading, accept, reject);
}

class ConsentOverlayTest : public EngineTest
{
protected:
    // The page at `path` as kept with "no overlays" (the page keeps its changes until given back).
    QImage KeptWithoutOverlays(const QString& path, const QByteArray& html)
    {
        LoadPage(path, html);
        PageControls controls;
        controls.noOverlays = true;
        LoopRunner runner;
        Result<void> changed = fail(Error::Code::Timeout, QStringLiteral("the changes never finished"));
        ChangePage(*tab, controls, 30s, [&](Result<void> r) {
            changed = r;
            runner.done();
        });
        runner.run(40s);
        EXPECT_TRUE(changed) << changed.error().message.toStdString();
        const auto snapshot = Capture(*tab);
        EXPECT_TRUE(snapshot) << snapshot.error().message.toStdString();
        return snapshot ? Pixels(*snapshot) : QImage();
    }

    static bool Near(const QImage& image, QPoint at, QRgb colour)
    {
        return image.valid(at) && ColourDistance(image.pixel(at), colour) <= 8;
    }
};

TEST_F(ConsentOverlayTest, UnnamedConsentDialogGoesInEveryLanguageAndComesBack)
{
    const struct
    {
        const char* name;
        QString dialog;
        QString bodyStyle;
    } cases[] = {
        { "english", Dialog("We value your privacy", "Accept", "Reject"), "margin:0;overflow:hidden" },
        { "german", Dialog("Datenschutz-Einstellungen", "Alle akzeptieren", "Ablehnen"), "margin:0" },
        { "japanese", Dialog("プライバシー設定", "同意する", "拒否する"), "margin:0;position:fixed;top:0;width:100%" },
        // A small box over an empty backdrop beside it.
        { "backdrop_beside",
            QStringLiteral("<div style='position:fixed;inset:0;background:rgb(20,20,20)'></div>"
                           "<div style='position:fixed;top:200px;left:400px;width:480px;"
                           "background:white'>Votre consentement : Accepter / Refuser</div>"),
            "margin:0" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage image = KeptWithoutOverlays(
            QStringLiteral("/consent-%1").arg(QLatin1String(c.name)), Page(c.dialog, {}, c.bodyStyle));
        for (const QPoint at : { QPoint(100, 100), QPoint(640, 250), QPoint(640, 700) })
            EXPECT_TRUE(Near(image, at, kPage)) << "the dialog still covers " << at.x() << "," << at.y();

        // Given back as it was: no mark left, and the dialog shows again.
        ASSERT_TRUE(Evaluate(*tab, GiveBackPageScript()));
        const auto left = Evaluate(*tab,
            QStringLiteral("[document.querySelectorAll('[%1]').length, [...document.querySelectorAll('body > div')]"
                           ".map((e) => getComputedStyle(e).display).join()]")
                .arg(QLatin1String(OverlayMark)));
        ASSERT_TRUE(left);
        EXPECT_EQ(left->toArray().at(0).toInt(), 0);
        EXPECT_FALSE(left->toArray().at(1).toString().contains(QStringLiteral("none")));
    }
}

TEST_F(ConsentOverlayTest, FixedBoxesThatAreThePageStay)
{
    const QRgb shell = qRgb(0, 160, 0);
    QString article;
    for (int i = 0; i < 30; ++i)
        article += QStringLiteral("<p>Why privacy matters: the cookie laws and your consent, explained.</p>");
    const struct
    {
        const char* name;
        QByteArray html;
        QPoint at;
        QRgb colour;
    } cases[] = {
        // An app whose whole content scrolls in a fixed box, saying privacy and cookie; without semantic
        // tags, and with its own consent dialog inside it, which goes.
        { "app_shell",
            QStringLiteral("<!doctype html><body style='margin:0'><div style='position:fixed;inset:0;overflow:auto;"
                           "background:rgb(0,160,0)'><div class='content'>%1</div>%2</div></body>")
                .arg(article, Dialog("We value your privacy", "Accept", "Reject"))
                .toUtf8(),
            { 640, 250 }, shell },
        // Two fixed panes side by side: a long list, and an article about privacy that covers more than half
        // the screen and holds less than half the page's text.
        { "two_panes",
            QStringLiteral("<!doctype html><body style='margin:0'><nav style='position:fixed;top:0;bottom:0;left:0;"
                           "width:40%;overflow:auto'>%1</nav><div style='position:fixed;top:0;bottom:0;right:0;"
                           "width:60%;overflow:auto;background:rgb(0,160,0)'>%2</div></body>")
                .arg(article.repeated(5), article.repeated(4))
                .toUtf8(),
            { 1000, 400 }, shell },
        // An article about privacy in the page's flow, under a fixed header that links to the privacy policy.
        { "article",
            Page("<header style='position:fixed;top:0;left:0;right:0;height:60px;background:rgb(0,160,0)'>"
                 "<a href='/privacy'>Privacy</a> <a href='/cookies'>Cookies</a></header>",
                "Privacy and consent online."),
            { 100, 30 }, shell },
        // A small bar with consent words and no name that says what it is is left alone, as before.
        { "unnamed_bar",
            Page("<div style='position:fixed;bottom:0;left:0;right:0;height:80px;background:rgb(0,160,0)'>"
                 "We use cookies. <button>OK</button></div>"),
            { 100, 760 }, shell },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage image = KeptWithoutOverlays(QStringLiteral("/page-%1").arg(QLatin1String(c.name)), c.html);
        EXPECT_TRUE(Near(image, c.at, c.colour));
    }
}

TEST_F(ConsentOverlayTest, NamedCookieBarStillGoes)
{
    const QImage image = KeptWithoutOverlays("/bar",
        Page("<div class='cookie-banner' style='position:fixed;bottom:0;left:0;right:0;height:80px;"
             "background:rgb(250,250,0)'>We use cookies. <button>OK</button></div>"));
    EXPECT_TRUE(Near(image, QPoint(100, 760), kPage));
}

} // namespace
} // namespace qm::test
