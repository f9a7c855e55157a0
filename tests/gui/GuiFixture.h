#pragma once

#include <QApplication>
#include <QPointer>

#include <gtest/gtest.h>

#include "FakeDialogs.h"
#include "app/MainWindow.h"
#include "capture/PageRunner.h"
#include "desktop/DesktopHooks.h"
#include "tests/support/TempHome.h"

namespace qm::test {

// The object name a main window's object carries (its legacy one where the skin needs that).
inline QString MainName(const char* name)
{
    return QLatin1String(ObjectName(app::kMainWindowLegacyObjectNames, name));
}

// A page runner that only records what it was asked (for commands that start a batch).
class RecordingRunner : public PageRunner
{
public:
    void convert(Ticket, const QString& address, const PageSettings&, Finished) override { addresses.append(address); }
    void abandon(Ticket) override { ++abandoned; }
    QStringList addresses;
    int abandoned = 0;
};

// A main window over a temporary app home, with the common dialogs answered by the test.
class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    app::MainWindow* makeWindow(PageRunner* runner = nullptr, bool trayAvailable = true);
    // Shows the window and makes it the active one, so its shortcuts reach it.
    void activate(QWidget* window);

    // A window of the program by its object name: a child of the main window or a top-level one.
    template<typename T> T* find(const QString& name) const
    {
        if (m_window) {
            if (T* child = m_window->findChild<T*>(name))
                return child;
        }
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() == name && qobject_cast<T*>(top) && top->isVisible())
                return qobject_cast<T*>(top);
        }
        return nullptr;
    }

    TempHome home;
    FakeDialogs dialogs;
    DesktopHooks hooks;
    QStringList openedFolders;
    QStringList miniBrowserAddresses;
    QPointer<app::MainWindow> m_window;
};

} // namespace qm::test
