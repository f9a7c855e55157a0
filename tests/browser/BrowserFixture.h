#pragma once

#include <QImage>
#include <QJsonArray>
#include <QJsonValue>
#include <QLineEdit>
#include <QPointer>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "browser/MiniBrowserWindow.h"
#include "browser/PageViewWidget.h"
#include "platform/MessageSink.h"
#include "settings/SettingsSource.h"
#include "tests/support/EventLoop.h"
#include "tests/support/SharedBrowser.h"
#include "tests/support/TempHome.h"
#include "tests/support/TestServer.h"

namespace qm::test {

using namespace std::chrono_literals;

// Runs the event loop until `condition` holds, looking again each time `signal` fires.
template<typename Sender, typename Signal>
bool WaitUntil(
    const std::function<bool()>& condition, Sender* sender, Signal signal, std::chrono::milliseconds limit = 20s)
{
    if (condition())
        return true;
    LoopRunner runner;
    auto connection = QObject::connect(sender, signal, sender, [&] {
        if (condition())
            runner.done();
    });
    const bool ok = runner.run(limit);
    QObject::disconnect(connection);
    return ok;
}

// Messages the window shows, answered by the test.
class RecordedMessages : public MessageSink
{
public:
    struct Message
    {
        bool error = false;
        QString text;
        std::function<void()> dismissed;
    };
    void information(const QString& text, std::function<void()> dismissed) override;
    void error(const QString& text, std::function<void()> dismissed) override;

    QList<Message> shown;
    std::function<void()> onShown;
};

int ColourDistance(QRgb a, QRgb b);

// A mini browser on a fresh temporary home, with a test server for its pages.
class MiniBrowserTest : public ::testing::Test
{
protected:
    void TearDown() override;

    // Opens MiniBrowserWindow on `start` and runs until that page is complete and painted.
    void Open(const QString& start);
    // Waits for the next top-level completion after `action`, and returns its address.
    QString LoadBy(const std::function<void()>& action);
    // Waits until the page view shows a frame whose pixel at `at` is near `colour`.
    // Waits until the address box reads `url` and the status bar says the page is there.
    bool ShowsPage(const QString& url);
    bool ShowsColour(QPoint at, QRgb colour, std::chrono::milliseconds limit = 20s);

    Result<QJsonValue> Evaluate(const QString& expression);
    QPoint CenterOf(const QString& selector); // in the page view's coordinates

    void MoveTo(QPoint at);
    void Click(QPoint at);
    void Type(const QString& text);
    void PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void Wheel(QPoint at, int notches); // positive: down the page
    void ClickButton(const char* objectName);
    // Runs until the page has handled every input event sent so far.
    void Settle();

    PageViewWidget* view() const { return form->pageView(); }
    QLineEdit* address() const { return form->addressBox(); }

    TempHome home;
    TestServer server;
    RecordedMessages messages;
    QStringList openedFolders;
    std::unique_ptr<FileSettings> settings = std::make_unique<FileSettings>(home.settingsPath());
    QPointer<MiniBrowserWindow> form;
};

} // namespace qm::test
