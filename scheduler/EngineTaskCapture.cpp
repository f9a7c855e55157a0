#include "scheduler/EngineTaskCapture.h"

#include <QAbstractItemModel>
#include <QTimer>

#include "capture/CapturePage.h"
#include "capture/PageAddress.h"
#include "capture/PageSettings.h"
#include "platform/AppHome.h"
#include "platform/cdp/Browser.h"
#include "platform/cdp/Tab.h"
#include "settings/SettingKeys.h"

namespace qm {

class EngineTaskCapture::Host : public CaptureHost
{
public:
    Host(EngineTaskCapture& owner, cdp::Tab& tab)
        : m_owner(owner)
        , m_tab(tab)
    {
    }
    cdp::Tab& tab() override { return m_tab; }
    bool hasRows() const override { return !m_owner.m_list || m_owner.m_list->rowCount() > 0; }
    QString pageAddress() const override { return m_address; }
    void completed(const CaptureOutcome& outcome) override
    {
        m_owner.end(outcome.output ? Result<void> {} : std::unexpected(outcome.output.error()), true);
    }
    void setAddress(const QString& address) { m_address = address; }

private:
    EngineTaskCapture& m_owner;
    cdp::Tab& m_tab;
    QString m_address;
};

struct EngineTaskCapture::Task
{
    quint64 generation = 0;
    QString url;
    PageSettings settings; // as they were when the task started
    QDeadlineTimer deadline;
    std::function<void(Result<void>)> finished;
    QPointer<CaptureRun> run;
};

EngineTaskCapture::EngineTaskCapture(
    cdp::Browser* engine, const AppHome& home, const SettingsSource& settings, QObject* parent)
    : QObject(parent)
    , m_engine(engine)
    , m_appHome(home.path())
    , m_settings(settings)
{
}

EngineTaskCapture::~EngineTaskCapture()
{
    abandon();
    if (m_tab)
        m_tab->close();
}

void EngineTaskCapture::start(
    const QString& url, std::chrono::milliseconds limit, std::function<void(Result<void>)> finished)
{
    abandon();
    m_task = std::make_unique<Task>();
    m_task->generation = ++m_generation;
    m_task->settings = PageSettings::ReadFrom(m_settings);
    const Result<QString> address = PageAddress(url);
    m_task->url = address.value_or(url);
    m_task->deadline = QDeadlineTimer(limit);
    m_task->finished = std::move(finished);
    if (!address)
        return end(std::unexpected(address.error()), true);

    if (m_tab) {
        const quint64 generation = m_task->generation;
        // Answer on the event loop, as a tab that has to be opened first would.
        QTimer::singleShot(0, this, [this, generation] {
            if (m_tab)
                tabReady(generation, m_tab.data());
            else
                tabReady(generation, fail(Error::Code::BrowserGone, QStringLiteral("the browser closed the tab")));
        });
        return;
    }
    dropTab();
    if (!m_engine) {
        const quint64 generation = m_task->generation;
        QTimer::singleShot(0, this, [this, generation] {
            tabReady(generation, fail(Error::Code::NotFound, QStringLiteral("no browser is available")));
        });
        return;
    }
    QPointer<EngineTaskCapture> self(this);
    const quint64 generation = m_task->generation;
    m_engine->newTab([self, generation](Result<cdp::Tab*> tab) {
        if (self)
            self->tabReady(generation, std::move(tab));
        else if (tab)
            (*tab)->close();
    });
}

void EngineTaskCapture::tabReady(quint64 generation, Result<cdp::Tab*> tab)
{
    if (tab && *tab != m_tab) {
        dropTab();
        m_tab = *tab;
        watch(m_tab);
    }
    if (!m_task || m_task->generation != generation)
        return; // abandoned meanwhile; a new tab stays for the next task
    if (!tab)
        return end(std::unexpected(tab.error()), false);
    m_host = std::make_shared<Host>(*this, *m_tab);
    const qint64 left = std::max<qint64>(1, m_task->deadline.remainingTime());
    m_tab->setFileAccess(cdp::FileAccess::fromSetting(ReadText(m_task->settings, keys::AllowFiles)));
    m_tab->navigate(m_task->url, std::chrono::milliseconds(left));
}

void EngineTaskCapture::watch(cdp::Tab* tab)
{
    m_connections.append(connect(tab, &cdp::Tab::documentComplete, this,
        [this](const QString& url, bool topLevel, const cdp::PageLoad&) { documentComplete(url, topLevel); }));
    m_connections.append(connect(tab, &cdp::Tab::loadFailed, this, [this](const QString&, const Error& why) {
        if (m_task && m_host && !m_task->run)
            end(std::unexpected(why), true);
    }));
    m_connections.append(connect(tab, &cdp::Tab::crashed, this, [this](const Error& why) {
        if (m_task && m_task->run)
            m_task->run->abandon();
        if (m_task && m_host)
            end(std::unexpected(why), false);
        else
            dropTab();
    }));
    m_connections.append(connect(tab, &QObject::destroyed, this, [this] {
        m_host.reset();
        if (m_task && m_task->run)
            m_task->run->abandon();
        if (m_task)
            end(fail(Error::Code::BrowserGone, QStringLiteral("the browser closed the tab")), false);
    }));
}

void EngineTaskCapture::documentComplete(const QString& url, bool topLevel)
{
    if (!m_task || !m_host || m_task->run)
        return; // no task, or its page is already being captured
    m_host->setAddress(url);
    CaptureContext context { m_task->settings, m_appHome, *m_clock, nullptr,
        std::chrono::milliseconds(std::max<qint64>(1, m_task->deadline.remainingTime())) };
    m_task->run = CapturePage(*m_host, context, PageCompletion { url, topLevel }, this);
    if (m_task->run) // the run may outlive the task (abandoned, waiting for an engine answer): so does its host
        connect(m_task->run, &QObject::destroyed, this, [host = m_host] {});
}

void EngineTaskCapture::end(Result<void> outcome, bool keepTab)
{
    std::unique_ptr<Task> task = std::move(m_task);
    if (!task)
        return;
    if (!keepTab)
        dropTab();
    // The completion may arrive inside a capture step; the timer hears of it on the event loop. The
    // host stays until the next task, since the run that called it may still be on the stack.
    QTimer::singleShot(
        0, this, [finished = std::move(task->finished), outcome = std::move(outcome)] { finished(outcome); });
}

void EngineTaskCapture::abandon()
{
    std::unique_ptr<Task> task = std::move(m_task);
    if (!task)
        return;
    if (task->run)
        task->run->abandon();
    // An engine call of the abandoned run may still answer on this tab: the next task gets a fresh one.
    dropTab();
}

void EngineTaskCapture::dropTab()
{
    for (const auto& connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    if (m_tab) {
        m_tab->stopLoading();
        m_tab->close();
    }
    m_tab = nullptr;
    m_host.reset();
}

} // namespace qm
