#include "GuiFixture.h"

#include <QWidget>

namespace qm::test {

void WindowTest::SetUp()
{
    hooks.home = &home.home();
    hooks.dialogs = &dialogs;
    hooks.openFolder = [this](const QString& folder) { openedFolders.append(folder); };
    hooks.openMiniBrowser = [this] { miniBrowserAddresses.append(hooks.browserStartAddress); };
    hooks.mainWindow = [this]() -> QWidget* { return m_window.data(); };
}

void WindowTest::TearDown()
{
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top != m_window.data() && top->isVisible())
            top->close();
    }
    delete m_window.data();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

app::MainWindow* WindowTest::makeWindow(PageRunner* runner, bool trayAvailable)
{
    m_window = new app::MainWindow(hooks, runner, trayAvailable);
    return m_window;
}

void WindowTest::activate(QWidget* window)
{
    window->show();
    window->activateWindow();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), window);
}

} // namespace qm::test
