#include "capture/EnginePool.h"

#include <QTimer>
#include <memory>

#include "platform/cdp/Tab.h"

namespace qm {

EnginePool::EnginePool(QList<cdp::BrowserOptions> browsers, QObject* parent)
    : QObject(parent)
{
    for (cdp::BrowserOptions& options : browsers)
        m_engines.append(Engine { .browser = new cdp::Browser(std::move(options), this) });
}

EnginePool::~EnginePool()
{
    // Tabs are the browsers' children; the browsers end their processes as they go.
    for (Engine& engine : m_engines)
        delete engine.browser;
}

cdp::Browser* EnginePool::browser(int index) const
{
    return index >= 0 && index < m_engines.size() ? m_engines[index].browser : nullptr;
}

int EnginePool::tabsInUse() const
{
    int count = 0;
    for (const Engine& engine : m_engines) {
        for (const auto& tab : engine.busy)
            count += tab ? 1 : 0;
    }
    return count;
}

void EnginePool::start(std::function<void(Result<void>)> done)
{
    if (m_engines.isEmpty()) {
        QTimer::singleShot(0, this, [done] { done(fail(Error::Code::Usage, QStringLiteral("no browser given"))); });
        return;
    }
    struct Tally
    {
        int pending = 0;
        bool anyStarted = false;
        std::optional<Error> first;
        std::function<void(Result<void>)> done;
    };
    auto tally = std::make_shared<Tally>();
    tally->pending = int(m_engines.size());
    tally->done = std::move(done);
    for (int i = 0; i < m_engines.size(); ++i) {
        m_engines[i].browser->start([this, i, tally](Result<void> started) {
            m_engines[i].usable = bool(started);
            if (started)
                tally->anyStarted = true;
            else if (!tally->first)
                tally->first = started.error();
            if (--tally->pending > 0)
                return;
            if (tally->anyStarted)
                tally->done({});
            else
                tally->done(std::unexpected(*tally->first));
        });
    }
}

void EnginePool::prune()
{
    for (Engine& engine : m_engines)
        engine.busy.removeAll(nullptr);
}

int EnginePool::pickEngine() const
{
    int best = -1;
    for (int i = 0; i < m_engines.size(); ++i) {
        const Engine& engine = m_engines[i];
        if (!engine.usable)
            continue;
        if (best < 0 || engine.busy.size() + engine.opening < m_engines[best].busy.size() + m_engines[best].opening)
            best = i;
    }
    // Every browser failed once: try them again in turn rather than give up for the whole batch.
    return best >= 0 ? best : (m_engines.isEmpty() ? -1 : 0);
}

void EnginePool::acquire(std::function<void(Result<cdp::Tab*>)> done)
{
    prune();
    const int index = pickEngine();
    if (index < 0) {
        QTimer::singleShot(0, this, [done] { done(fail(Error::Code::Usage, QStringLiteral("no browser given"))); });
        return;
    }
    if (takeSpare(index, done))
        return;
    ++m_engines[index].opening;
    ensureStarted(index, [this, index, done](Result<void> started) {
        if (!started) {
            --m_engines[index].opening;
            m_engines[index].usable = false;
            done(std::unexpected(started.error()));
            return;
        }
        openTab(index, done);
    });
}

void EnginePool::ensureStarted(int index, std::function<void(Result<void>)> done)
{
    Engine& engine = m_engines[index];
    if (engine.browser->isConnected()) {
        QTimer::singleShot(0, this, [done] { done({}); });
        return;
    }
    // A browser that went away (crashed, or its remote end closed) is started afresh; its spare went with it.
    delete engine.spare.data();
    engine.browser->start(std::move(done));
}

void EnginePool::openTab(int index, std::function<void(Result<cdp::Tab*>)> done)
{
    QPointer<cdp::Browser> browser = m_engines[index].browser;
    browser->newTab([this, index, browser, done](Result<cdp::Tab*> tab) {
        if (!browser)
            return;
        --m_engines[index].opening;
        if (!tab) {
            done(std::unexpected(tab.error()));
            return;
        }
        m_engines[index].usable = true;
        if (m_viewport.isValid())
            (*tab)->setViewport(m_viewport);
        m_engines[index].busy.append(*tab);
        if (m_engines[index].served++ > 0)
            prepareSpare(index);
        done(*tab);
    });
}

bool EnginePool::takeSpare(int index, std::function<void(Result<cdp::Tab*>)> done)
{
    Engine& engine = m_engines[index];
    QPointer<cdp::Tab> tab = std::exchange(engine.spare, nullptr);
    if (!tab)
        return false;
    // Its renderer may have crashed while it waited, or the viewport may have changed since it was made.
    if (tab->isCrashed() || !engine.browser->isConnected() || (m_viewport.isValid() && tab->viewport() != m_viewport)) {
        tab->close();
        tab->deleteLater();
        return false;
    }
    engine.busy.append(tab);
    ++engine.served;
    prepareSpare(index);
    QTimer::singleShot(0, this, [this, tab, done] {
        if (tab)
            done(tab.data());
        else
            acquire(done); // closed in the meantime
    });
    return true;
}

void EnginePool::prepareSpare(int index)
{
    Engine& engine = m_engines[index];
    if (engine.spare || engine.spareOpening || !engine.browser->isConnected())
        return;
    engine.spareOpening = true;
    QPointer<cdp::Browser> browser = engine.browser;
    browser->newTab([this, index, browser](Result<cdp::Tab*> tab) {
        if (!browser)
            return;
        Engine& engine = m_engines[index];
        engine.spareOpening = false;
        if (!tab)
            return; // the next page opens its own and says why, should it fail too
        if (m_viewport.isValid())
            (*tab)->setViewport(m_viewport);
        engine.spare = *tab;
    });
}

void EnginePool::release(cdp::Tab* tab)
{
    if (!tab)
        return;
    for (Engine& engine : m_engines) {
        if (engine.busy.removeOne(tab))
            break;
    }
    tab->close();
    tab->deleteLater();
}

} // namespace qm
