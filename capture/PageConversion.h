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
class SettingsSource;

// The page runner of the batch and the command line: a tab from the pool loads the address, and the
// first top-level completion that passes the guards runs the capture pipeline. A load that fails
// (refused, DNS, time limit) or a crashed tab ends the page with the reason.
class PageConversion : public QObject, public PageRunner
{
    Q_OBJECT
public:
    PageConversion(EnginePool& pool, const SettingsSource& settings, QString appHome, QObject* parent = nullptr);
    ~PageConversion() override;

    void setClock(const Clock& clock) { m_clock = &clock; }
    void setMessages(MessageSink* messages) { m_messages = messages; }
    // The main window's guard: a completion while its list is empty captures nothing.
    void setRowsPresent(std::function<bool()> rowsPresent) { m_rowsPresent = std::move(rowsPresent); }

    void convert(Ticket ticket, const QString& address, std::chrono::milliseconds limit, Finished finished) override;
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
    void end(Ticket ticket, Result<QString> output, const CaptureOutcome* captured = nullptr);

    EnginePool& m_pool;
    const SettingsSource& m_settings;
    QString m_appHome;
    const Clock* m_clock = &Clock::system();
    MessageSink* m_messages = nullptr;
    std::function<bool()> m_rowsPresent;
    QHash<Ticket, std::shared_ptr<Page>> m_pages;
};

} // namespace qm
