#include "capture/CaptureGate.h"

#include <QPointer>
#include <QTimer>

namespace qm {

namespace {

// Ends a turn when deleted, whoever deletes it.
class Hold : public QObject
{
public:
    Hold(QObject* tab, std::function<void()> ended)
        : QObject(tab)
        , m_ended(std::move(ended))
    {
    }
    ~Hold() override { m_ended(); }

private:
    std::function<void()> m_ended;
};

} // namespace

CaptureGate::CaptureGate(QObject* browser)
    : QObject(browser)
{
}

void CaptureGate::enter(QObject* browser, QObject* tab, std::function<void(QObject* hold)> turn)
{
    auto* gate = browser->findChild<CaptureGate*>(QString(), Qt::FindDirectChildrenOnly);
    if (!gate)
        gate = new CaptureGate(browser);
    gate->m_waiting.append(Waiter { tab, std::move(turn) });
    if (!gate->m_busy)
        QTimer::singleShot(0, gate, &CaptureGate::next);
}

void CaptureGate::next()
{
    while (!m_busy && !m_waiting.isEmpty()) {
        Waiter waiter = m_waiting.takeFirst();
        if (!waiter.tab)
            continue; // the tab went away while it waited
        m_busy = true;
        QPointer<CaptureGate> self(this);
        auto* hold = new Hold(waiter.tab, [self] {
            if (!self)
                return;
            self->m_busy = false;
            QTimer::singleShot(0, self, &CaptureGate::next);
        });
        waiter.turn(hold);
    }
}

} // namespace qm
