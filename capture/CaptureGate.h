#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

namespace qm {

// One full-page capture at a time per browser window. A capture brings its tab to the front, and a tab
// that another capture sends to the back in the middle of its own may never paint again, so captures of
// tabs sharing a window (a remote browser that offers no browser contexts) take turns; pages still load
// side by side. A tab with a context of its own is a window of its own and never waits here.
class CaptureGate : public QObject
{
    Q_OBJECT
public:
    // Runs `turn` on the event loop when it is this capture's turn in `browser` (the window's owner). The turn lasts
    // until the returned hold is deleted; the hold is a child of `tab`, so a tab that goes away ends it too.
    static void enter(QObject* browser, QObject* tab, std::function<void(QObject* hold)> turn);

private:
    explicit CaptureGate(QObject* browser);
    void next();

    struct Waiter
    {
        QPointer<QObject> tab;
        std::function<void(QObject*)> turn;
    };
    QList<Waiter> m_waiting;
    bool m_busy = false;
};

} // namespace qm
