#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <functional>

#include "platform/Error.h"
#include "platform/cdp/Browser.h"

namespace qm {

namespace cdp {
class Tab;
}

// The browsers a batch converts in (one local Chromium, or several remote ones) and their tabs. Every
// page gets a new tab in a browser context of its own, closed with that context (its renderers, cookies,
// storage, cache, service workers and permissions) when the page is done, so no page sees what an
// earlier one left. Once a browser has served a page, it keeps one fresh tab ready for the next, so that
// starting the new tab's renderer overlaps the page before. A browser that dies is started again when the
// next tab is wanted, so the batch goes on.
class EnginePool : public QObject
{
    Q_OBJECT
public:
    explicit EnginePool(QList<cdp::BrowserOptions> browsers, QObject* parent = nullptr);
    ~EnginePool() override;

    // Starts every browser; fails only when none starts (with the first one's reason).
    void start(std::function<void(Result<void>)> done);

    // A new tab on the browser with the fewest tabs in use or being opened. Always answers later on the
    // event loop.
    void acquire(std::function<void(Result<cdp::Tab*>)> done);

    // Hands a tab back; it is closed with its context.
    void release(cdp::Tab* tab);

    void setViewport(QSize cssPixels) { m_viewport = cssPixels; }
    // New tabs' viewport: pages without a size of their own are shown at it.
    QSize viewport() const { return m_viewport.isValid() ? m_viewport : QSize(1280, 800); }
    int tabsInUse() const;
    cdp::Browser* browser(int index) const;

private:
    struct Engine
    {
        cdp::Browser* browser = nullptr;
        QList<QPointer<cdp::Tab>> busy;
        int opening = 0; // tabs asked for and not yet there: they count as in use, so pages spread
        QPointer<cdp::Tab> spare; // fresh, never shown a page
        bool spareOpening = false;
        int served = 0;
        bool usable = true; // false once it failed to start; tried again when nothing else is left
    };

    void ensureStarted(int index, std::function<void(Result<void>)> done);
    void openTab(int index, std::function<void(Result<cdp::Tab*>)> done);
    bool takeSpare(int index, std::function<void(Result<cdp::Tab*>)> done);
    void prepareSpare(int index);
    int pickEngine() const;
    void prune();

    QList<Engine> m_engines;
    QSize m_viewport;
};

} // namespace qm
