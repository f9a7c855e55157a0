#include "browser/MiniBrowserUi.h"

#include <QPointer>
#include <memory>

#include "browser/MiniBrowserWindow.h"
#include "desktop/DesktopHooks.h"
#include "platform/AppHome.h"
#include "platform/MessageSink.h"
#include "platform/UserDialogs.h"
#include "settings/SettingsSource.h"

namespace qm {

namespace {

// The window's messages as message boxes over the window.
class DialogMessages : public MessageSink
{
public:
    DialogMessages(UserDialogs& dialogs, std::function<QWidget*()> parent)
        : m_dialogs(dialogs)
        , m_parent(std::move(parent))
    {
    }
    void information(const QString& text, std::function<void()> dismissed) override
    {
        m_dialogs.message(m_parent(), UserDialogs::Icon::Information, text, std::move(dismissed));
    }
    void error(const QString& text, std::function<void()> dismissed) override
    {
        m_dialogs.message(m_parent(), UserDialogs::Icon::Error, text, std::move(dismissed));
    }

private:
    UserDialogs& m_dialogs;
    std::function<QWidget*()> m_parent;
};

struct MiniBrowserState
{
    explicit MiniBrowserState(const DesktopHooks& hooks)
        : settings(hooks.home->settingsPath())
        , messages(*hooks.dialogs, [this]() -> QWidget* { return window.data(); })
    {
    }
    FileSettings settings;
    DialogMessages messages;
    QPointer<MiniBrowserWindow> window;
};

} // namespace

void RegisterMiniBrowser(DesktopHooks& hooks)
{
    if (!hooks.home || !hooks.dialogs)
        return;
    auto state = std::make_shared<MiniBrowserState>(hooks);
    hooks.openMiniBrowser = [&hooks, state] {
        if (state->window) { // the window exists at most once
            state->window->raise();
            state->window->activateWindow();
            return;
        }
        MiniBrowserSetup setup;
        setup.engine = hooks.engine;
        setup.settings = &state->settings;
        setup.appHome = hooks.home->path();
        setup.messages = &state->messages;
        setup.openFolder = hooks.openFolder;
        setup.applySkin = hooks.applySkin;
        QWidget* owner = hooks.mainWindow ? hooks.mainWindow() : nullptr;
        state->window = new MiniBrowserWindow(std::move(setup), hooks.browserStartAddress, owner);
        state->window->show();
    };
    hooks.unloadMiniBrowser = [state] {
        if (state->window)
            state->window->close();
    };
}

} // namespace qm
