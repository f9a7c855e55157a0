// Pages written the way today's sites are: scroll locks, app shells in shadow roots and frames, virtual
// lists and sections the browser skips while they are out of view.
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

const QRgb kTop = qRgb(0, 160, 0); // the first 100 px of the content
const QRgb kFill = qRgb(200, 220, 255);
const QRgb kMark = qRgb(255, 0, 128); // the content's last 100 px

// `height` px of content: a top band, fill, then a marker at the very bottom.
QString Content(int height)
{
    return QStringLiteral("<div style='height:100px;background:rgb(0,160,0)'></div>"
                          "<div style='height:%1px;background:rgb(200,220,255)'></div>"
                          "<div style='height:100px;background:rgb(255,0,128)'></div>")
        .arg(height - 200);
}

bool Near(const QImage& image, int x, int y, QRgb colour)
{
    return image.valid(x, y) && ColourDistance(image.pixel(x, y), colour) <= 4;
}

// Every element's style and scroll attributes and scroll offsets, in open shadow roots and same-origin
// frames too, and the window's scroll position: what the user would notice changed. Read after two
// frames, once the page has drawn what its boxes' sizes ask for.
const QString kPageLook = QStringLiteral(
    "new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))).then(() => {"
    "const out = [scrollX, scrollY]; const walk = (top) => { for (const e of top.querySelectorAll('*')) {"
    "out.push([e.localName, e.getAttribute('style'), e.getAttribute('scroll'), e.scrollTop]);"
    "if (e.shadowRoot) walk(e.shadowRoot); if (e.localName === 'iframe' && e.contentDocument) {"
    "out.push(e.contentWindow.scrollY); walk(e.contentDocument); } } }; walk(document);"
    "return JSON.stringify(out); })");

class ModernPageCaptureTest : public EngineTest
{
protected:
    // Captures the loaded page and expects it to look as before afterwards.
    QImage CaptureAndGiveBack(ScrollerExpansion expand, QString* note = nullptr)
    {
        const auto before = Evaluate(*tab, kPageLook);
        EXPECT_TRUE(before);
        const auto snapshot = Capture(*tab, { .expand = expand });
        EXPECT_TRUE(snapshot) << snapshot.error().message.toStdString();
        if (!snapshot || !before)
            return {};
        const auto after = Evaluate(*tab, kPageLook);
        EXPECT_TRUE(after);
        if (after) {
            EXPECT_EQ(after->toString().toStdString(), before->toString().toStdString())
                << "the page was not given back";
        }
        if (note)
            *note = snapshot->note;
        return Pixels(*snapshot);
    }

    int PdfSheets(const QString& path)
    {
        QTemporaryDir folder;
        const QString file = folder.filePath("page.pdf");
        LoopRunner runner;
        qm::Result<void> made = qm::fail(qm::Error::Code::Timeout, "never called back");
        MakePdfFromPage(*tab, server.url(path), file, 60s, ScrollerExpansion::Page, false, [&](qm::Result<void> r) {
            made = r;
            runner.done();
        });
        runner.run(70s);
        EXPECT_TRUE(made) << made.error().message.toStdString();
        QFile pdf(file);
        if (!pdf.open(QIODevice::ReadOnly))
            return 0;
        return int(QString::fromLatin1(pdf.readAll()).count(QRegularExpression("/Type\\s*/Page[^s]")));
    }
};

TEST_F(ModernPageCaptureTest, ScrollLockedPagesComeOutWholeFromTheirTop)
{
    const struct
    {
        const char* name;
        const char* html; // %1: 2,400 px of content
    } cases[] = {
        { "pinned_body", "<!doctype html><body style='margin:0;position:fixed;top:-500px;width:100%'>%1</body>" },
        { "hidden_full_height",
            "<!doctype html><style>html,body{height:100%;overflow:hidden;margin:0}</style><body>%1</body>" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LoadPage(QStringLiteral("/lock-%1").arg(QLatin1String(c.name)),
            QString::fromLatin1(c.html).arg(Content(2400)).toUtf8());
        for (const ScrollerExpansion expand : { ScrollerExpansion::Page, ScrollerExpansion::All }) {
            SCOPED_TRACE(int(expand));
            const QImage image = CaptureAndGiveBack(expand);
            EXPECT_EQ(image.height(), 2400);
            EXPECT_TRUE(Near(image, 640, 50, kTop)) << "the page does not start at its top";
            EXPECT_TRUE(Near(image, 640, 2350, kMark)) << "the page's bottom is missing";
        }
        // Asked to take the page as it shows, the lock stays.
        const QImage shown = CaptureAndGiveBack(ScrollerExpansion::None);
        EXPECT_EQ(shown.height(), 800);
    }
}

TEST_F(ModernPageCaptureTest, ScrollLockedPagePrintsAllItsSheets)
{
    LoadPage("/lock-print",
        ("<!doctype html><body style='margin:0;position:fixed;top:-300px;width:100%'>" + Content(6000) + "</body>")
            .toUtf8());
    const auto before = Evaluate(*tab, kPageLook);
    ASSERT_TRUE(before);
    // A4 holds about 1000 CSS px of page: 6000 px need about six sheets, not one.
    EXPECT_GE(PdfSheets("/lock-print"), 5);
    const auto after = Evaluate(*tab, kPageLook);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->toString().toStdString(), before->toString().toStdString());
}

TEST_F(ModernPageCaptureTest, AppShellsInShadowRootsAndFramesOpenToTheirWholeContent)
{
    const QString shell = QStringLiteral("<div style='height:100%;overflow:auto'>%1</div>").arg(Content(10000));
    const struct
    {
        const char* name;
        QString html;
    } cases[] = {
        { "shadow_root",
            "<!doctype html><body style='margin:0'><quill-app></quill-app><template id='t'>"
            "<style>:host{display:block;height:100vh}</style>"
                + shell
                + "</template><script>customElements.define('quill-app', class extends HTMLElement {"
                  "connectedCallback() { this.attachShadow({ mode: 'open' })"
                  ".append(document.getElementById('t').content.cloneNode(true)); } });</script></body>" },
        { "nested_shadow_roots",
            "<!doctype html><body style='margin:0'><quill-app></quill-app><template id='t'>"
            "<style>:host{display:block;height:100vh}</style><quill-page style='display:block;height:100%'>"
            "</quill-page></template><template id='p'>"
                + shell
                + "</template><script>const shadow = (name, t) => customElements.define(name, class extends "
                  "HTMLElement { connectedCallback() { this.attachShadow({ mode: 'open' })"
                  ".append(document.getElementById(t).content.cloneNode(true)); } });"
                  "shadow('quill-page', 'p'); shadow('quill-app', 't');</script></body>" },
        { "same_origin_frame",
            "<!doctype html><body style='margin:0'><iframe style='display:block;border:0;width:100%;height:100vh' "
            "srcdoc=\"<style>html,body{height:100%;margin:0}</style>"
                + shell + "\"></iframe></body>" },
        { "same_origin_frame_document",
            "<!doctype html><body style='margin:0'><iframe style='display:block;border:0;width:100%;height:100vh' "
            "srcdoc=\"<body style='margin:0'>"
                + Content(10000) + "</body>\"></iframe></body>" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LoadPage(QStringLiteral("/modern-%1").arg(QLatin1String(c.name)), c.html.toUtf8());
        // The frame's document loads on its own.
        ASSERT_TRUE(Evaluate(*tab,
            "new Promise((ok) => { const f = document.querySelector('iframe'); if (!f || "
            "f.contentDocument.readyState === 'complete' && f.contentDocument.body.firstChild) ok(1); "
            "else f.onload = () => ok(1); })"));
        for (const ScrollerExpansion expand : { ScrollerExpansion::Page, ScrollerExpansion::All }) {
            SCOPED_TRACE(int(expand));
            const QImage image = CaptureAndGiveBack(expand);
            EXPECT_GE(image.height(), 10000);
            EXPECT_TRUE(Near(image, 640, 50, kTop));
            EXPECT_TRUE(Near(image, 640, 5000, kFill));
            EXPECT_TRUE(Near(image, 640, 9950, kMark)) << "the content's bottom is missing";
        }
    }
}

TEST_F(ModernPageCaptureTest, VirtualListKeepsItsHeightUnlessItDrawsItsOpenedArea)
{
    // 1,000 rows of 40 px in a 700 px window under a 100 px header, above a 300 px footer. Each kind draws
    // the rows its window shows: on its own scrolling only, or also when its box changes size.
    const QString page = QStringLiteral(
        "<!doctype html><body style='margin:0'><header style='height:100px;background:rgb(0,0,0)'></header>"
        "<div id='list' style='height:700px;overflow:auto;position:relative'>"
        "<div id='spacer' style='height:40000px;position:relative'></div></div>"
        "<footer style='height:300px;background:rgb(0,160,0)'></footer><script>"
        "const list = document.getElementById('list'), spacer = document.getElementById('spacer');"
        "const draw = () => { spacer.replaceChildren(); const first = Math.floor(list.scrollTop / 40);"
        "const last = Math.min(999, Math.ceil((list.scrollTop + list.clientHeight) / 40));"
        "for (let i = first; i <= last; i++) { const row = document.createElement('div');"
        "row.textContent = 'Row ' + i; row.style.cssText = 'position:absolute;left:0;right:0;height:39px;top:' + "
        "i * 40 + 'px;background:' + (i === 999 ? 'rgb(255,0,128)' : 'rgb(200,220,255)'); spacer.append(row); } };"
        "list.addEventListener('scroll', draw); draw(); %1</script></body>");
    {
        SCOPED_TRACE("drawn on scrolling only");
        LoadPage("/list-blank", page.arg(QString()).toUtf8());
        QString note;
        const QImage image = CaptureAndGiveBack(ScrollerExpansion::Page, &note);
        EXPECT_EQ(image.height(), 1100);
        EXPECT_EQ(note.toStdString(), "a virtual list kept at 700 px");
        EXPECT_TRUE(Near(image, 1000, 150, kFill)) << "the list's first rows are missing";
        EXPECT_TRUE(Near(image, 640, 1050, kTop)) << "the footer is missing";
    }
    {
        SCOPED_TRACE("drawn on resizing");
        LoadPage("/list-resized", page.arg("new ResizeObserver(draw).observe(list);").toUtf8());
        QString note;
        const QImage image = CaptureAndGiveBack(ScrollerExpansion::Page, &note);
        EXPECT_EQ(image.height(), 100 + 40000 + 300);
        EXPECT_TRUE(note.isEmpty()) << note.toStdString();
        EXPECT_TRUE(Near(image, 1000, 100 + 20000 + 20, kFill)) << "the list's middle rows are missing";
        EXPECT_TRUE(Near(image, 1000, 100 + 39980, kMark)) << "the list's last row is missing";
    }
}

TEST_F(ModernPageCaptureTest, SectionsSkippedOutOfViewAreDrawn)
{
    QString sections;
    for (int i = 0; i < 10; ++i)
        sections += QStringLiteral(
            "<section style='content-visibility:auto;contain-intrinsic-size:auto 1000px;height:1000px;"
            "position:relative;background:rgb(200,220,255)'><h2>Section %1</h2>"
            "<div style='position:absolute;top:900px;left:0;right:0;height:50px;background:rgb(255,0,128)'>"
            "Low in section %1</div></section>")
                        .arg(i);
    LoadPage("/skipped", ("<!doctype html><body style='margin:0'>" + sections + "</body>").toUtf8());
    for (const ScrollerExpansion expand : { ScrollerExpansion::Page, ScrollerExpansion::None }) {
        SCOPED_TRACE(int(expand));
        const QImage image = CaptureAndGiveBack(expand);
        ASSERT_EQ(image.height(), 10000) << "drawn sections must keep their layout (the headings' margins stay inside)";
        for (int i = 0; i < 10; ++i)
            EXPECT_TRUE(Near(image, 1000, i * 1000 + 925, kMark)) << "section " << i << " is not drawn";
    }
}

} // namespace
} // namespace qm::test
