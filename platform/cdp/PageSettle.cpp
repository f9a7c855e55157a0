#include "platform/cdp/PageSettle.h"

#include <QJsonObject>
#include <QPointer>
#include <QTimer>

#include "platform/cdp/PageCall.h"
#include "platform/cdp/PageTracker.h"
#include "platform/cdp/Session.h"
#include "platform/cdp/Tab.h"

namespace qm::cdp {

using namespace std::chrono;

namespace {

constexpr int DomQuietMs = 150;

QString settleScript(milliseconds budget)
{
    // Waits in the page itself (on its own timers, no polling from here) and resolves when settled.
    const QString function = QStringLiteral(R"JS(async ({ budget, quiet }) => {
  const t = %1;
  const start = performance.now(), end = start + budget, horizon = start + 1600;
  const wait = t ? t.wait : (ms) => new Promise((r) => setTimeout(r, ms));
  if (document.fonts) await Promise.race([document.fonts.ready, wait(budget)]);
  if (t) {
    for (;;) {
      const now = performance.now();
      if (now >= end) break;
      let until = t.lastChange ? t.lastChange + quiet : 0;
      for (const due of t.timers.values()) if (due <= horizon && due + 1 > until) until = due + 1;
      if (until <= now) break;
      await wait(Math.min(until, end) - now);
    }
  }
  // A frame lets the page's own frame callbacks and observers run; with none of them and no change
  // since the load there is nothing a frame would add.
  if (!t || t.frames.size > 0 || t.observers > 0 || t.lastChange > 0)
    await Promise.race([new Promise((r) => requestAnimationFrame(() => r())), wait(100)]);
  return true;
})JS");
    return PageCall(function.arg(PageTrackerState()),
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
            if (m_waitingForNetwork)
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
        m_waitingForNetwork = false;
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
                // Whatever the script said, the network decides whether to look again.
                if (self->m_tab.requestsInFlight() == 0 || self->m_tab.isCrashed())
                    self->finish();
                else
                    self->m_waitingForNetwork = true;
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
    bool m_waitingForNetwork = false;
};

} // namespace

void SettlePage(Tab& tab, steady_clock::time_point deadline, std::function<void()> done)
{
    auto* settler = new Settler(tab, deadline, std::move(done));
    QTimer::singleShot(0, settler, [settler] { settler->start(); });
}

} // namespace qm::cdp
