#include "tests/browser/BrowserFixture.h"

#include <QApplication>
#include <QJsonObject>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QWheelEvent>

#include "platform/cdp/Browser.h"
#include "platform/cdp/Tab.h"

namespace qm::test {

namespace {

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

void RecordedMessages::information(const QString& text, std::function<void()> dismissed)
{
    shown.append({ false, text, std::move(dismissed) });
    if (onShown)
        onShown();
}

void RecordedMessages::error(const QString& text, std::function<void()> dismissed)
{
    shown.append({ true, text, std::move(dismissed) });
    if (onShown)
        onShown();
}

int ColourDistance(QRgb a, QRgb b)
{
    return std::max({ std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b)) });
}

void MiniBrowserTest::TearDown()
{
    if (!form)
        return;
    // Closing deletes the window later, on the program's own event loop, which a test never returns
    // to; so the test deletes it itself.
    EXPECT_TRUE(form->testAttribute(Qt::WA_DeleteOnClose));
    form->close();
    delete form.data();
}

void MiniBrowserTest::Open(const QString& start)
{
    MiniBrowserSetup setup;
    setup.engine = &SharedBrowser();
    setup.settings = settings.get();
    setup.appHome = home.path();
    setup.messages = &messages;
    setup.openFolder = [this](const QString& folder) { openedFolders << folder; };
    form = new MiniBrowserWindow(std::move(setup), start);

    LoopRunner runner;
    QString failure;
    QObject::connect(form, &MiniBrowserWindow::tabFailed, form, [&](const QString& why) {
        failure = why;
        runner.done();
    });
    // The window navigates right after it says its tab is ready, so the completion is heard.
    QObject::connect(form, &MiniBrowserWindow::tabReady, form, [&] {
        QObject::connect(
            form->tab(), &cdp::Tab::documentComplete, form,
            [&](const QString&, bool topLevel) {
                if (topLevel)
                    runner.done();
            },
            Qt::SingleShotConnection);
    });
    form->show();
    ASSERT_TRUE(runner.run(60s)) << "the start page did not load";
    ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
    ASSERT_TRUE(WaitUntil([this] { return view()->framesShown() > 0; }, view(), &PageViewWidget::frameShown))
        << "the page view never showed a frame";
}

QString MiniBrowserTest::LoadBy(const std::function<void()>& action)
{
    LoopRunner runner;
    QString loaded;
    auto connection
        = QObject::connect(form->tab(), &cdp::Tab::documentComplete, form, [&](const QString& url, bool topLevel) {
              if (topLevel && loaded.isEmpty()) {
                  loaded = url;
                  runner.done();
              }
          });
    action();
    runner.run(20s);
    QObject::disconnect(connection);
    return loaded;
}

bool MiniBrowserTest::ShowsColour(QPoint at, QRgb colour, std::chrono::milliseconds limit)
{
    return WaitUntil(
        [&] {
            const QImage frame = view()->currentFrame();
            return frame.rect().contains(at) && ColourDistance(frame.pixel(at), colour) < 24;
        },
        view(), &PageViewWidget::frameShown, limit);
}

Result<QJsonValue> MiniBrowserTest::Evaluate(const QString& expression)
{
    LoopRunner runner;
    Result<QJsonValue> result = fail(Error::Code::Timeout, QStringLiteral("no answer"));
    form->tab()->evaluate(expression, [&](Result<QJsonValue> r) {
        result = std::move(r);
        runner.done();
    });
    runner.run(20s);
    return result;
}

QPoint MiniBrowserTest::CenterOf(const QString& selector)
{
    const Result<QJsonValue> r
        = Evaluate(QStringLiteral("(() => { const b = document.querySelector('%1').getBoundingClientRect(); "
                                  "return [Math.round(b.left + b.width / 2), Math.round(b.top + b.height / 2)]; })()")
                       .arg(selector));
    EXPECT_TRUE(r.has_value()) << selector.toStdString();
    if (!r)
        return {};
    return { r->toArray().at(0).toInt(), r->toArray().at(1).toInt() };
}

void MiniBrowserTest::MoveTo(QPoint at)
{
    SendMouse(view(), QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
}

void MiniBrowserTest::Click(QPoint at)
{
    MoveTo(at);
    SendMouse(view(), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    SendMouse(view(), QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}

void MiniBrowserTest::Type(const QString& text)
{
    for (const QChar c : text) {
        const int key = c.isLetter() ? Qt::Key_A + (c.toLower().unicode() - u'a') : c.unicode();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(view(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(view(), &release);
    }
}

void MiniBrowserTest::PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    const QString text = key == Qt::Key_Return ? QStringLiteral("\r") : QString();
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(view(), &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(view(), &release);
}

void MiniBrowserTest::Wheel(QPoint at, int notches)
{
    QWheelEvent event(QPointF(at), view()->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, -120 * notches), Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view(), &event);
}

void MiniBrowserTest::ClickButton(const char* objectName)
{
    auto* button = form->findChild<QPushButton*>(QLatin1String(objectName));
    ASSERT_NE(button, nullptr) << objectName;
    button->click();
}

} // namespace qm::test

namespace qm::test {

bool MiniBrowserTest::ShowsPage(const QString& url)
{
    const auto shown = [&] { return address()->text() == url && form->statusText() == QLatin1String("Done"); };
    if (shown())
        return true;
    LoopRunner runner;
    const auto check = [&] {
        if (shown())
            runner.done();
    };
    QObject context;
    QObject::connect(form, &MiniBrowserWindow::statusChanged, &context, check);
    QObject::connect(address(), &QLineEdit::textChanged, &context, check);
    return runner.run(20s);
}

void MiniBrowserTest::Settle()
{
    EXPECT_TRUE(WaitUntil([this] { return view()->inputPending() == 0; }, view(), &PageViewWidget::inputIdle))
        << "the page did not take its input";
}

} // namespace qm::test
