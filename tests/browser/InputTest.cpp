// The user's mouse, wheel and keys reach the page through the page view.
#include <QApplication>
#include <QMouseEvent>

#include "browser/HoverProbe.h"
#include "browser/KeyMapping.h"
#include "platform/cdp/Tab.h"
#include "tests/browser/BrowserFixture.h"

namespace qm::test {

namespace {

const QByteArray kFormPage = R"HTML(<!doctype html><html><body style="margin:0">
<form action="/search" method="get">
  <input id="q" name="q" style="position:absolute;left:20px;top:20px;width:300px;height:30px">
  <textarea id="notes" style="position:absolute;left:20px;top:80px;width:300px;height:60px"></textarea>
  <input type="checkbox" id="box" style="position:absolute;left:20px;top:160px">
</form>
<div id="clicks" style="position:absolute;left:400px;top:20px;width:100px;height:100px;background:rgb(200,200,0)"
     ondblclick="this.style.background='rgb(0,160,0)'"></div>
<div style="position:absolute;top:300px;height:300px;width:100%;background:rgb(0,0,200)"></div>
<div style="height:4000px"></div>
</body></html>)HTML";

} // namespace

class InputTest : public MiniBrowserTest
{
protected:
    void SetUp() override
    {
        server.page(QStringLiteral("/form"), kFormPage);
        server.page(QStringLiteral("/search"), "<!doctype html><p>results</p>");
        Open(server.url(QStringLiteral("/form")));
    }

    QString Value(const char* selector)
    {
        Settle();
        const Result<QJsonValue> v
            = Evaluate(QStringLiteral("document.querySelector('%1').value").arg(QLatin1String(selector)));
        return v ? v->toString() : QStringLiteral("<no answer>");
    }
};

TEST_F(InputTest, TypingIntoAFieldAndPressingEnterSubmitsTheForm)
{
    Click(CenterOf(QStringLiteral("#q")));
    Type(QStringLiteral("quill markx"));
    PressKey(Qt::Key_Backspace);
    EXPECT_EQ(Value("#q"), QStringLiteral("quill mark"));

    const QString loaded = LoadBy([&] { PressKey(Qt::Key_Return); });
    EXPECT_EQ(loaded, server.url(QStringLiteral("/search?q=quill+mark")));
    EXPECT_EQ(address()->text(), server.url(QStringLiteral("/search?q=quill+mark")));
}

TEST_F(InputTest, EditingKeysAndShortcutsWorkInATextArea)
{
    Click(CenterOf(QStringLiteral("#notes")));
    Type(QStringLiteral("abc"));
    PressKey(Qt::Key_Left);
    PressKey(Qt::Key_Left);
    Type(QStringLiteral("X"));
    PressKey(Qt::Key_End);
    PressKey(Qt::Key_Return);
    Type(QStringLiteral("d"));
    EXPECT_EQ(Value("#notes"), QStringLiteral("aXbc\nd"));

    PressKey(Qt::Key_A, Qt::ControlModifier);
    Type(QStringLiteral("z"));
    EXPECT_EQ(Value("#notes"), QStringLiteral("z"));
}

TEST_F(InputTest, TheCursorFollowsTextFieldsAndTheWheelScrollsThePage)
{
    struct Row
    {
        const char* selector;
        Qt::CursorShape cursor;
    };
    const Row rows[] = { { "#q", Qt::IBeamCursor }, { "#box", Qt::ArrowCursor }, { "#notes", Qt::IBeamCursor },
        { "#clicks", Qt::ArrowCursor } };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.selector);
        const QPoint at = CenterOf(QLatin1String(row.selector));
        MoveTo(at);
        EXPECT_TRUE(WaitUntil(
            [&] { return view()->cursor().shape() == row.cursor; }, view(), &PageViewWidget::hoverUpdated, 5s));
    }

    Wheel(QPoint(600, 200), 3);
    ASSERT_TRUE(ShowsColour(QPoint(5, 5), qRgb(0, 0, 200))) << "the page did not scroll";
    // The compositor scrolls first; the page's own scrollY follows a frame or more later.
    const Result<QJsonValue> scrolled = Evaluate(QStringLiteral(
        "new Promise(done => { const check = () => scrollY >= 300 ? done(scrollY) : setTimeout(check, 20); "
        "check(); setTimeout(() => done(scrollY), 10000); })"));
    ASSERT_TRUE(scrolled.has_value());
    EXPECT_EQ(scrolled->toInt(), 300);
}

TEST_F(InputTest, ADoubleClickReachesThePageAsOne)
{
    const QPoint at = CenterOf(QStringLiteral("#clicks"));
    Click(at);
    QMouseEvent press(QEvent::MouseButtonDblClick, QPointF(at), view()->mapToGlobal(QPointF(at)), Qt::LeftButton,
        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), view()->mapToGlobal(QPointF(at)), Qt::LeftButton,
        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view(), &release);
    EXPECT_TRUE(ShowsColour(at, qRgb(0, 160, 0)));
}

TEST(KeyMappingTest, QtKeysBecomeThePagesKeys)
{
    struct Row
    {
        const char* name;
        int qtKey;
        Qt::KeyboardModifiers modifiers;
        QString text;
        std::optional<PageKey> expected;
    };
    const Row rows[] = {
        { "Enter types a carriage return", Qt::Key_Return, {}, QStringLiteral("\r"),
            PageKey { "Enter", "Enter", 13, "\r", {} } },
        { "keypad Enter too", Qt::Key_Enter, Qt::KeypadModifier, QStringLiteral("\r"),
            PageKey { "Enter", "Enter", 13, "\r", {} } },
        { "Backspace types nothing", Qt::Key_Backspace, {}, QStringLiteral("\b"),
            PageKey { "Backspace", "Backspace", 8, {}, {} } },
        { "a letter", Qt::Key_A, {}, QStringLiteral("a"), PageKey { "a", "KeyA", 65, "a", {} } },
        { "a shifted letter", Qt::Key_A, Qt::ShiftModifier, QStringLiteral("A"), PageKey { "A", "KeyA", 65, "A", {} } },
        { "a digit", Qt::Key_7, {}, QStringLiteral("7"), PageKey { "7", "Digit7", 55, "7", {} } },
        { "an accented letter", Qt::Key_Eacute, {}, QStringLiteral("é"), PageKey { "é", {}, 0, "é", {} } },
        { "Ctrl+A selects all", Qt::Key_A, Qt::ControlModifier, QStringLiteral("\x01"),
            PageKey { "a", "KeyA", Qt::Key_A, {}, "selectAll" } },
        { "Ctrl+V pastes", Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16"),
            PageKey { "v", "KeyV", Qt::Key_V, {}, "paste" } },
        { "a bare modifier means nothing", Qt::Key_Shift, Qt::ShiftModifier, {}, std::nullopt },
        { "a function key means nothing", Qt::Key_F7, {}, {}, std::nullopt },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<PageKey> key = PageKeyFor(row.qtKey, row.modifiers, row.text);
        ASSERT_EQ(key.has_value(), row.expected.has_value());
        if (!key)
            continue;
        EXPECT_EQ(key->key, row.expected->key);
        EXPECT_EQ(key->code, row.expected->code);
        EXPECT_EQ(key->virtualKeyCode, row.expected->virtualKeyCode);
        EXPECT_EQ(key->text, row.expected->text);
        EXPECT_EQ(key->command, row.expected->command);
    }
    EXPECT_EQ(ModifierMask(Qt::AltModifier | Qt::ShiftModifier), 9);
    EXPECT_EQ(ModifierMask(Qt::ControlModifier | Qt::MetaModifier), 6);
}

TEST(HoverProbeTest, CursorsFollowWhatThePageAsksFor)
{
    struct Row
    {
        const char* css;
        bool link;
        bool field;
        Qt::CursorShape expected;
    };
    const Row rows[] = {
        { "auto", true, false, Qt::PointingHandCursor },
        { "auto", false, true, Qt::IBeamCursor },
        { "auto", false, false, Qt::ArrowCursor },
        { "default", true, false, Qt::ArrowCursor }, // the page said so
        { "pointer", false, false, Qt::PointingHandCursor },
        { " Text ", false, false, Qt::IBeamCursor },
        { "not-allowed", false, true, Qt::ForbiddenCursor },
        { "url(x.cur), auto", false, true, Qt::IBeamCursor },
    };
    for (const Row& row : rows)
        EXPECT_EQ(HoverProbe::CursorFor(QLatin1String(row.css), row.link, row.field), row.expected) << row.css;
}

} // namespace qm::test
