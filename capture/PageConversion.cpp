#include "capture/PageConversion.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include "capture/CaptureRun.h"
#include "capture/EmulationFor.h"
#include "capture/EnginePool.h"
#include "capture/PageAddress.h"
#include "capture/PageFailure.h"
#include "capture/PageSettings.h"
#include "platform/cdp/Tab.h"
#include "settings/SettingKeys.h"

namespace qm {

using namespace std::chrono_literals;

// The capture host of one page: its tab, the address the completion reported, and a completion step
// that hands the outcome back to the runner.
class PageConversion::Host : public CaptureHost
{
public:
    Host(cdp::Tab& tab, std::function<bool()> rowsPresent, std::function<void(const PageOutcome&)> completed)
        : m_tab(tab)
        , m_rowsPresent(std::move(rowsPresent))
        , m_completed(std::move(completed))
    {
    }
    cdp::Tab& tab() override { return m_tab; }
    bool hasRows() const override { return !m_rowsPresent || m_rowsPresent(); }
    QString pageAddress() const override { return m_address; }
    void completed(const PageOutcome& outcome) override { m_completed(outcome); }
    void browserDone() override
    {
        if (m_browserDone)
            m_browserDone();
    }
    void setAddress(const QString& address) { m_address = address; }
    void onBrowserDone(std::function<void()> then) { m_browserDone = std::move(then); }

private:
    cdp::Tab& m_tab;
    std::function<bool()> m_rowsPresent;
    std::function<void(const PageOutcome&)> m_completed;
    std::function<void()> m_browserDone;
    QString m_address;
};

struct PageConversion::Page
{
    QString address;
    std::chrono::milliseconds limit { 0 };
    PageSettings settings; // as they were when the page started
    PageControls controls; // read once, when the page started
    cdp::PageEmulation emulation; // how its tab shows it
    QDeadlineTimer deadline;
    QTimer limitTimer; // the page's one time limit
    QElapsedTimer clock;
    Finished finished;
    QPointer<cdp::Tab> tab;
    std::unique_ptr<Host> host;
    QPointer<CaptureRun> run;
    QList<QMetaObject::Connection> connections;

    void disconnect()
    {
        for (const auto& connection : std::as_const(connections))
            QObject::disconnect(connection);
        connections.clear();
    }
};

PageConversion::PageConversion(EnginePool& pool, QString appHome, QObject* parent)
    : QObject(parent)
    , m_pool(pool)
    , m_appHome(std::move(appHome))
{
}

PageConversion::~PageConversion()
{
    abandonAll();
}

void PageConversion::convert(Ticket ticket, const QString& address, const PageSettings& settings, Finished finished)
{
    auto page = std::make_shared<Page>();
    page->limit = ReadPageTimeout(settings);
    page->settings = settings;
    const auto controls = ReadPageControls(page->settings, m_pool.viewport());
    if (controls) {
        page->controls = *controls;
        page->emulation = EmulationFor(*controls);
    }
    const Result<QString> loaded = PageAddress(address);
    page->address = loaded.value_or(address);
    page->deadline = QDeadlineTimer(page->limit);
    page->clock.start();
    page->finished = std::move(finished);
    page->limitTimer.setSingleShot(true);
    connect(&page->limitTimer, &QTimer::timeout, this, [this, ticket] { timeUp(ticket); });
    page->limitTimer.start(page->limit);
    m_pages.insert(ticket, page);
    if (!loaded)
        return end(ticket, PageOutcome { std::unexpected(loaded.error()) });
    if (!controls)
        return end(ticket, PageOutcome { std::unexpected(controls.error()) });
    QPointer<PageConversion> self(this);
    m_pool.acquire([self, ticket](Result<cdp::Tab*> tab) {
        if (self)
            self->tabReady(ticket, std::move(tab));
    });
}

void PageConversion::tabReady(Ticket ticket, Result<cdp::Tab*> tab)
{
    const auto page = m_pages.value(ticket);
    if (!page) {
        if (tab)
            m_pool.release(*tab); // abandoned while the tab was being found
        return;
    }
    if (!tab)
        return end(ticket, PageOutcome { std::unexpected(tab.error()) });

    cdp::Tab* t = *tab;
    page->tab = t;
    page->host = std::make_unique<Host>(
        *t, m_rowsPresent, [this, ticket](const PageOutcome& outcome) { end(ticket, outcome); });
    page->host->onBrowserDone([this, ticket] {
        if (const auto p = m_pages.value(ticket))
            p->limitTimer.stop();
    });
    page->connections.append(connect(
        t, &cdp::Tab::documentComplete, this, [this, ticket](const QString& url, bool topLevel, const cdp::PageLoad&) {
            documentComplete(ticket, url, topLevel);
        }));
    page->connections.append(connect(t, &cdp::Tab::loadFailed, this, [this, ticket](const QString&, const Error& why) {
        const auto p = m_pages.value(ticket);
        if (p && !p->run)
            end(ticket, PageOutcome { std::unexpected(why) });
    }));
    page->connections.append(connect(t, &cdp::Tab::crashed, this, [this, ticket](const Error& why) {
        if (const auto p = m_pages.value(ticket); p && p->run)
            p->run->abandon();
        end(ticket, PageOutcome { std::unexpected(why) });
    }));
    page->connections.append(connect(t, &cdp::Tab::leftAllowedFiles, this, [this, ticket](const QString& url) {
        // What is left to capture is an error page, or the page before it: neither is what was asked for.
        if (const auto p = m_pages.value(ticket); p && p->run)
            p->run->abandon();
        end(ticket,
            PageOutcome { fail(Error::Code::Navigation,
                QStringLiteral("the page went to %1, outside the folders it may read").arg(QUrl(url).toLocalFile())) });
    }));
    page->connections.append(connect(t, &cdp::Tab::statusTextChanged, this, &PageConversion::statusTextChanged));
    page->connections.append(connect(t, &cdp::Tab::popupClosed, this, &PageConversion::newWindowRequested));
    page->connections.append(connect(t, &QObject::destroyed, this, [this, ticket] {
        if (const auto p = m_pages.value(ticket); p && p->run)
            p->run->abandon();
        end(ticket, PageOutcome { fail(Error::Code::BrowserGone, QStringLiteral("the browser closed the tab")) });
    }));
    t->setFileAccess(cdp::FileAccess::fromSetting(ReadText(page->settings, keys::AllowFiles)));
    // Every page sets how it is shown, so the one before it on this tab leaves nothing behind.
    QPointer<PageConversion> self(this);
    t->emulate(page->emulation, [self, ticket, t = QPointer<cdp::Tab>(t)](Result<void> ready) {
        const auto p = self ? self->m_pages.value(ticket) : nullptr;
        if (!p || !t || p->tab != t)
            return;
        if (!ready)
            return self->end(ticket, PageOutcome { std::unexpected(ready.error()) });
        // The page's own timer ends it at the limit; the tab's only backs that up, so it never wins the race.
        t->navigate(p->address, std::chrono::milliseconds(std::max<qint64>(1, p->deadline.remainingTime())) + 5s);
    });
}

void PageConversion::documentComplete(Ticket ticket, const QString& url, bool topLevel)
{
    const auto page = m_pages.value(ticket);
    if (!page || page->run || !page->tab)
        return; // one capture per page: a later completion (a script navigating) is not captured again
    page->host->setAddress(url);
    CaptureContext context { page->settings, m_appHome, *m_clock, m_messages,
        std::chrono::milliseconds(std::max<qint64>(1, page->deadline.remainingTime())), page->controls };
    page->run = StartCaptureRun(*page->host, context, PageCompletion { url, topLevel }, this);
}

void PageConversion::timeUp(Ticket ticket)
{
    const auto page = m_pages.value(ticket);
    if (!page)
        return;
    page->disconnect(); // the stopped load reports no failure of its own
    if (page->run)
        page->run->abandon();
    if (page->tab)
        page->tab->stopLoading();
    end(ticket, PageOutcome { fail(Error::Code::Timeout, PageTimeLimitText(page->limit)) });
}

void PageConversion::end(Ticket ticket, PageOutcome outcome)
{
    const auto page = m_pages.take(ticket);
    if (!page)
        return;
    page->disconnect();
    page->limitTimer.stop();
    if (!outcome.output) {
        // Timers fire a little late, so a failure this close to the deadline is the deadline's.
        const bool limitReached = page->deadline.remainingTime() < 1000;
        outcome.output = std::unexpected(
            UserFacingFailure(outcome.output.error(), PageFailureFacts { page->address, page->limit, limitReached }));
    }
    if (page->tab)
        m_pool.release(page->tab);
    outcome.elapsed = std::chrono::milliseconds(page->clock.elapsed());
    // The host's completion can arrive inside a capture step; the batch hears of it on the event loop.
    // The page (and its host, which may be the caller right now) lives until then.
    QTimer::singleShot(0, this, [page, outcome = std::move(outcome)] { page->finished(outcome); });
}

void PageConversion::stop(Page& page)
{
    page.disconnect();
    page.limitTimer.stop();
    if (page.run)
        page.run->abandon();
    if (page.tab) {
        page.tab->stopLoading();
        m_pool.release(page.tab);
    }
}

void PageConversion::abandon(Ticket ticket)
{
    if (const auto page = m_pages.take(ticket))
        stop(*page);
}

void PageConversion::abandonAll()
{
    const auto tickets = m_pages.keys();
    for (Ticket ticket : tickets)
        abandon(ticket);
}

} // namespace qm
