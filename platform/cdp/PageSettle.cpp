#include "platform/cdp/PageSettle.h"

#include <QJsonObject>
#include <QPointer>
#include <QTimer>

#include "platform/cdp/PageCall.h"
#include "platform/cdp/Session.h"
#include "platform/cdp/Tab.h"

namespace qm::cdp {

using namespace std::chrono;

namespace {

constexpr int DomQuietMs = 150;

QString settleScript(milliseconds budget)
{
    return PageRoutineCall(QStringLiteral(":/platform/cdp/PageSettle.js"),
        { { QStringLiteral("budget"), qint64(budget.count()) }, { QStringLiteral("quiet"), DomQuietMs } });
}

class Settler : public QObject
{
public:
    Settler(Tab& tab, steady_clock::time_point deadline, std::function<void()> done)
        : QObject(&tab)
        , m_tab(tab)
        , m_deadline(deadline)
        , m_done(std::move(done))
    {
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, &Settler::finish);
        connect(&m_tab, &Tab::crashed, this, &Settler::finish);
        connect(&m_tab, &Tab::networkQuiet, this, [this] {
            if (m_waitingForPage && !m_tab.pageNavigating())
                runScript();
        });
        // A page that sends itself elsewhere is settled once the document it goes to has.
        connect(&m_tab, &Tab::pageNavigationEnded, this, [this] {
            if (m_waitingForPage)
                runScript();
        });
    }

    void start()
    {
        m_timer.start(std::max(remaining(), 0ms));
        runScript();
    }

private:
    milliseconds remaining() const { return duration_cast<milliseconds>(m_deadline - steady_clock::now()); }

    void runScript()
    {
        m_waitingForPage = m_tab.pageNavigating();
        if (m_waitingForPage)
            return;
        const milliseconds budget = remaining();
        if (budget <= 0ms) {
            finish();
            return;
        }
        QPointer<Settler> self(this);
        m_tab.session().send(
            QStringLiteral("Runtime.evaluate"),
            { { QStringLiteral("expression"), settleScript(budget) }, { QStringLiteral("awaitPromise"), true },
                { QStringLiteral("returnByValue"), true } },
            [self](qm::Result<QJsonObject>) {
                if (!self)
                    return;
                // Whatever the script said, the network and a document on its way decide whether to look again.
                if (self->m_tab.isCrashed() || (self->m_tab.requestsInFlight() == 0 && !self->m_tab.pageNavigating()))
                    self->finish();
                else
                    self->m_waitingForPage = true;
            },
            budget + 1s);
    }

    void finish()
    {
        if (!m_done)
            return;
        m_timer.stop();
        auto done = std::exchange(m_done, nullptr);
        deleteLater();
        done();
    }

    Tab& m_tab;
    steady_clock::time_point m_deadline;
    std::function<void()> m_done;
    QTimer m_timer;
    bool m_waitingForPage = false;
};

} // namespace

void SettlePage(Tab& tab, steady_clock::time_point deadline, std::function<void()> done)
{
    auto* settler = new Settler(tab, deadline, std::move(done));
    QTimer::singleShot(0, settler, [settler] { settler->start(); });
}

} // namespace qm::cdp
