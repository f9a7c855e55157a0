#pragma once

#include <QHash>
#include <QObject>
#include <functional>
#include <memory>

#include "capture/CaptureHost.h"
#include "capture/PageRunner.h"
#include "platform/Clock.h"

namespace qm {

class EnginePool;

namespace cdp {
class Tab;
}
class MessageSink;

// The page runner of the batch, the command line, the scheduler and the queue worker: a tab from the pool
// loads the address, and the first top-level completion that passes the guards runs the capture pipeline.
// A load that fails (refused, DNS) or a crashed tab ends the page with the reason; the page's own timer
// ends it at its time limit, wherever it is then (waiting for a tab, loading, capturing, writing).
class PageConversion : public QObject, public PageRunner
{
    Q_OBJECT
public:
    PageConversion(EnginePool& pool, QString appHome, QObject* parent = nullptr);
    ~PageConversion() override;

    void setClock(const Clock& clock) { m_clock = &clock; }
    void setMessages(MessageSink* messages) { m_messages = messages; }
    // The main window's guard: a completion while its list is empty captures nothing.
    void setRowsPresent(std::function<bool()> rowsPresent) { m_rowsPresent = std::move(rowsPresent); }

    void convert(Ticket ticket, const QString& address, const PageSettings& settings, Finished finished) override;
    void abandon(Ticket ticket) override;
    void abandonAll();
    int pagesInFlight() const { return int(m_pages.size()); }

signals:
    // What the tabs of pages in flight report, for the window's status labels.
    void statusTextChanged(const QString& text);
    void newWindowRequested(const QString& url);

private:
    struct Page;
    class Host;

    void tabReady(Ticket ticket, Result<cdp::Tab*> tab);
    void documentComplete(Ticket ticket, const QString& url, bool topLevel);
    void timeUp(Ticket ticket);
    void end(Ticket ticket, PageOutcome outcome);
    void stop(Page& page);

    EnginePool& m_pool;
    QString m_appHome;
    const Clock* m_clock = &Clock::system();
    MessageSink* m_messages = nullptr;
    std::function<bool()> m_rowsPresent;
    QHash<Ticket, std::shared_ptr<Page>> m_pages;
};

} // namespace qm
