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

// The browsers a batch converts in (one local Chromium, or several remote ones) and their tabs. A tab
// whose page converted is reused for the next page; any other is closed with its browser context (and
// so its renderers) and replaced. A browser
// that dies is started again when the next tab is wanted, so the batch goes on.
class EnginePool : public QObject
{
    Q_OBJECT
public:
    explicit EnginePool(QList<cdp::BrowserOptions> browsers, QObject* parent = nullptr);
    ~EnginePool() override;

    // Starts every browser; fails only when none starts (with the first one's reason).
    void start(std::function<void(Result<void>)> done);

    // An idle tab, else a new one on the browser with the fewest tabs in use. Always answers later on
    // the event loop.
    void acquire(std::function<void(Result<cdp::Tab*>)> done);

    // Hands a tab back: kept for the next page when `reusable`, else closed.
    void release(cdp::Tab* tab, bool reusable);

    void setViewport(QSize cssPixels) { m_viewport = cssPixels; }
    // New tabs' viewport: pages without a size of their own are shown at it.
    QSize viewport() const { return m_viewport.isValid() ? m_viewport : QSize(1280, 800); }
    int tabsInUse() const;
    cdp::Browser* browser(int index) const;

private:
    struct Engine
    {
        cdp::Browser* browser = nullptr;
        QList<QPointer<cdp::Tab>> idle;
        QList<QPointer<cdp::Tab>> busy;
        bool usable = true; // false once it failed to start; tried again when nothing else is left
    };

    void ensureStarted(int index, std::function<void(Result<void>)> done);
    void openTab(int index, std::function<void(Result<cdp::Tab*>)> done);
    int pickEngine() const;
    void prune();

    QList<Engine> m_engines;
    QSize m_viewport;
};

} // namespace qm
