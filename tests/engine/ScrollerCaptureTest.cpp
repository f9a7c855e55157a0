// Whole pages whose content lives in scrolling boxes: app shells, sticky side bars, endless feeds.
#include <QElapsedTimer>
#include <QFile>
#include <QJsonValue>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "capture/PdfCapture.h"
#include "tests/engine/EngineFixture.h"
#include "tests/support/EventLoop.h"

namespace qm::test {
namespace {

using cdp::ScrollerExpansion;

const QRgb kMark = qRgb(255, 0, 128); // the bottom of every scroller
const QRgb kFill = qRgb(200, 220, 255);

// `height` px of content: fill, then a 100 px marker at the very bottom.
QByteArray Content(int height)
{
    return QStringLiteral("<div style='height:%1px;background:rgb(200,220,255)'></div>"
                          "<div style='height:100px;background:rgb(255,0,128)'></div>")
        .arg(height - 100)
        .toUtf8();
}

bool Near(const QImage& image, int x, int y, QRgb colour)
{
    return image.valid(x, y) && ColourDistance(image.pixel(x, y), colour) <= 4;
}

int RowsOf(const QImage& image, int x, QRgb colour)
{
    int rows = 0;
    for (int y = 0; y < image.height(); ++y)
        rows += Near(image, x, y, colour);
    return rows;
}

// Every element's style and scroll attributes, and the scroll offsets, as the user would notice them.
const QString kPageLook
    = QStringLiteral("JSON.stringify([scrollX, scrollY, [...document.querySelectorAll('*')].map((e) => "
                     "[e.getAttribute('style'), e.getAttribute('scroll'), e.scrollTop])])");

class ScrollerCaptureTest : public EngineTest
{
};

struct ShellCase
{
    const char* name;
    const char* html; // %1: the content
    int contentTop; // where the content starts on the page (the body's margin is stripped)
};

TEST_F(ScrollerCaptureTest, AppShellScrollersOpenToTheirWholeContent)
{
    const ShellCase cases[] = {
        { "height_100_percent",
            "<!doctype html><style>html,body{height:100%}</style>"
            "<body><div style='overflow:auto;height:100%'>%1</div></body>",
            0 },
        { "fixed_inset", "<!doctype html><body><div style='position:fixed;inset:0;overflow:auto'>%1</div></body>", 0 },
        { "body_scrolls",
            "<!doctype html><style>html{height:100%;overflow:hidden}body{margin:0;height:100%;overflow:auto}</style>"
            "<body>%1</body>",
            0 },
        { "flex_column_with_header",
            "<!doctype html><body style='margin:0;height:100vh;display:flex;flex-direction:column'>"
            "<header style='height:60px;flex:none;background:rgb(0,0,0)'></header>"
            "<main style='flex:1;min-height:0;overflow:auto'>%1</main></body>",
            60 },
        { "filled_after_load",
            "<!doctype html><style>html,body{height:100%}</style><body><div id='s' style='overflow:auto;height:100%'>"
            "</div><template id='t'>%1</template><script>"
            "addEventListener('load', () => setTimeout(() => s.append(t.content), 300));</script></body>",
            0 },
    };
    for (const ShellCase& c : cases) {
        SCOPED_TRACE(c.name);
        LoadPage(QStringLiteral("/shell-%1").arg(QLatin1String(c.name)),
            QString::fromLatin1(c.html).arg(QString::fromUtf8(Content(10000))).toUtf8());
        const auto snapshot = Capture(*tab);
        ASSERT_TRUE(snapshot) << snapshot.error().message.toStdString();
        const QImage image = Pixels(*snapshot);
        EXPECT_GE(image.height(), c.contentTop + 10000);
        EXPECT_TRUE(Near(image, 640, c.contentTop + 9950, kMark)) << "the content's bottom is missing";
        EXPECT_TRUE(Near(image, 640, c.contentTop + 5000, kFill));
        EXPECT_TRUE(snapshot->note.isEmpty()) << snapshot->note.toStdString();
    }
}

TEST_F(ScrollerCaptureTest, StickySideBarShowsItsWholeListBesideTheWholeArticle)
{
    // A 60-item table of contents (3000 px) capped at the viewport, next to a 6000 px article, under a
    // 100vh hero.
    QByteArray items;
    for (int i = 0; i < 59; ++i)
        items += "<li style='height:50px'>Section</li>";
    items += "<li style='height:50px;background:rgb(255,0,128)'>Last</li>";
    LoadPage("/sticky",
        "<!doctype html><body style='margin:0'>"
        "<section style='height:100vh;background:rgb(0,160,0)'></section>"
        "<div style='display:flex;align-items:flex-start'>"
        "<nav style='position:sticky;top:0;max-height:100vh;overflow:auto;width:300px;flex:none'>"
        "<ul style='margin:0;padding:0;list-style:none'>"
            + items + "</ul></nav><article style='flex:1'>" + Content(6000) + "</article></div></body>");
    const auto snapshot = Capture(*tab);
    ASSERT_TRUE(snapshot) << snapshot.error().message.toStdString();
    const QImage image = Pixels(*snapshot);
    EXPECT_EQ(image.height(), 800 + 6000);
    EXPECT_EQ(RowsOf(image, 640, qRgb(0, 160, 0)), 800) << "the hero keeps the viewport's height";
    EXPECT_TRUE(Near(image, 150, 800 + 2975, kMark)) << "the list's last item is missing";
    EXPECT_TRUE(Near(image, 640, 800 + 5950, kMark)) << "the article's end is missing";
}

TEST_F(ScrollerCaptureTest, CodeBlockKeepsItsScrollBarUnlessAllBoxesAreOpened)
{
    LoadPage("/code",
        "<!doctype html><body style='margin:0'><div style='height:1000px;background:rgb(0,0,160)'></div>"
        "<pre style='margin:0;height:200px;overflow:auto'>"
            + Content(2000) + "</pre><div style='height:1000px;background:rgb(0,0,160)'></div></body>");
    const struct
    {
        ScrollerExpansion expand;
        int height;
        int markRows;
    } cases[] = { { ScrollerExpansion::Page, 2200, 0 }, { ScrollerExpansion::None, 2200, 0 },
        { ScrollerExpansion::All, 4000, 100 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.expand));
        const auto snapshot = Capture(*tab, { .expand = c.expand });
        ASSERT_TRUE(snapshot) << snapshot.error().message.toStdString();
        const QImage image = Pixels(*snapshot);
        EXPECT_EQ(image.height(), c.height);
        EXPECT_EQ(RowsOf(image, 100, kMark), c.markRows);
    }
}

TEST_F(ScrollerCaptureTest, EndlessFeedStopsAtTheCapOrWhenItStopsGrowing)
{
    // Each load adds 2000 px; `limit` loads at most.
    const QByteArray more = "let loads = 0; const more = (before) => { if (loads >= limit) return; loads++;"
                            "const d = document.createElement('div');"
                            "d.style.cssText = 'height:2000px;background:rgb(' + (loads * 40 % 256) + ',90,90)';"
                            "document.body.insertBefore(d, before || null); };";
    const struct
    {
        const char* name;
        const char* limit;
        const char* watch;
        int height;
        const char* note;
    } cases[] = {
        { "scroll_handler", "Infinity",
            "addEventListener('scroll', () => { if (scrollY + innerHeight > "
            "document.documentElement.scrollHeight - 1000) more(); });",
            20000, "cut at 20000 px" },
        { "observer", "Infinity",
            "new IntersectionObserver((es) => { if (es.some((e) => e.isIntersecting)) more(end); })"
            ".observe(end);",
            20000, "cut at 20000 px" },
        { "finite_feed", "4",
            "addEventListener('scroll', () => { if (scrollY + innerHeight > "
            "document.documentElement.scrollHeight - 1000) more(); });",
            1001 + 4 * 2000, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LoadPage(QStringLiteral("/feed-%1").arg(QLatin1String(c.name)),
            "<!doctype html><body style='margin:0'><div style='height:1000px;background:rgb(0,0,0)'></div>"
            "<div id='end' style='height:1px'></div><script>const limit = "
                + QByteArray(c.limit) + "; const end = document.getElementById('end');" + more + c.watch
                + "</script></body>");
        QElapsedTimer clock;
        clock.start();
        const auto snapshot = Capture(*tab, { .timeLimit = 120s, .maxHeight = 20000 });
        ASSERT_TRUE(snapshot) << snapshot.error().message.toStdString();
        // Far less than the time limit, however busy the machine: without the cap this runs for minutes.
        EXPECT_LT(clock.elapsed(), 25000);
        EXPECT_EQ(snapshot->size.height(), c.height);
        EXPECT_EQ(snapshot->note, QLatin1String(c.note));
    }
}

TEST_F(ScrollerCaptureTest, WidePagesAndSidewaysScrollersKeepTheirShape)
{
    LoadPage("/wide",
        "<!doctype html><body style='margin:0'>"
        "<div style='overflow-x:auto;width:600px'><div style='width:5000px;height:300px;"
        "background:linear-gradient(to right, rgb(0,0,160) 4900px, rgb(255,0,128) 4900px)'></div></div>"
        "<div style='width:30000px;height:500px;"
        "background:linear-gradient(to right, rgb(0,160,0) 29900px, rgb(255,0,128) 29900px)'></div></body>");
    const auto snapshot = Capture(*tab);
    ASSERT_TRUE(snapshot) << snapshot.error().message.toStdString();
    const QImage image = Pixels(*snapshot);
    EXPECT_EQ(image.width(), 30000);
    EXPECT_TRUE(Near(image, 29950, 600, kMark)) << "the wide page's right end is missing";
    EXPECT_TRUE(Near(image, 300, 150, qRgb(0, 0, 160)));
    EXPECT_FALSE(Near(image, 4950, 150, kMark)) << "the sideways scroller was opened";
}

TEST_F(ScrollerCaptureTest, PageLooksAsBeforeAfterTheCapture)
{
    LoadPage("/restore",
        "<!doctype html><style>html,body{height:100%}</style><body style='background:rgb(250,250,250)'>"
        "<div id='shell' style='overflow:auto;height:100%'>"
            + Content(10000) + "<nav style='position:fixed;top:0;bottom:0;right:0;width:200px;overflow:auto'>"
            + Content(3000) + "</nav><pre style='height:100px;overflow:scroll'>" + Content(1000)
            + "</pre></div></body>");
    ASSERT_TRUE(Evaluate(*tab, "document.getElementById('shell').scrollTop = 1234, 1"));
    const auto before = Evaluate(*tab, kPageLook);
    ASSERT_TRUE(before);
    ASSERT_TRUE(before->toString().contains("1234"));
    for (const ScrollerExpansion expand : { ScrollerExpansion::Page, ScrollerExpansion::All }) {
        SCOPED_TRACE(int(expand));
        const auto snapshot = Capture(*tab, { .expand = expand });
        ASSERT_TRUE(snapshot) << snapshot.error().message.toStdString();
        ASSERT_GE(snapshot->size.height(), 10000);
        const auto after = Evaluate(*tab, kPageLook);
        ASSERT_TRUE(after);
        EXPECT_EQ(after->toString().toStdString(), before->toString().toStdString());
    }
}

TEST_F(ScrollerCaptureTest, AppShellPrintsOnAsManySheetsAsItsContentNeeds)
{
    LoadPage("/print",
        "<!doctype html><style>html,body{height:100%;margin:0}</style><body><div id='shell' "
        "style='overflow:auto;height:100%'>"
            + Content(10000) + "</div></body>");
    const auto before = Evaluate(*tab, kPageLook);
    ASSERT_TRUE(before);
    QTemporaryDir folder;
    const QString path = folder.filePath("shell.pdf");
    LoopRunner runner;
    qm::Result<void> made = qm::fail(qm::Error::Code::Timeout, "never called back");
    MakePdfFromPage(*tab, server.url("/print"), path, 60s, ScrollerExpansion::Page, false, [&](qm::Result<void> r) {
        made = r;
        runner.done();
    });
    runner.run(70s);
    ASSERT_TRUE(made) << made.error().message.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString pdf = QString::fromLatin1(file.readAll());
    // A4 holds about 1000 CSS px of page: 10000 px of content need about ten sheets, not one.
    EXPECT_GE(pdf.count(QRegularExpression("/Type\\s*/Page[^s]")), 8);
    const auto after = Evaluate(*tab, kPageLook);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->toString().toStdString(), before->toString().toStdString());
}

} // namespace
} // namespace qm::test
