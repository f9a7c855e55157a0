#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>

#include "platform/Clock.h"
#include "platform/cdp/Tab.h"
#include "scheduler/TaskCapture.h"

class QAbstractItemModel;

namespace qm {

class AppHome;
class CaptureRun;
class MessageSink;
class SettingsSource;
namespace cdp {
class Browser;
}

// The scheduler's capture host: its own tab in the program's one browser. The tab loads the task's
// address and the first top-level completion that passes the guards (the task list has rows, the
// top-level document, not "about:blank") runs the capture pipeline with the same settings as the main
// window. Nothing is shown to the user: the outcome goes back to the timer, which marks the row.
class EngineTaskCapture : public QObject, public TaskCapture
{
    Q_OBJECT
public:
    EngineTaskCapture(
        cdp::Browser* engine, const AppHome& home, const SettingsSource& settings, QObject* parent = nullptr);
    ~EngineTaskCapture() override;

    void setTaskList(const QAbstractItemModel* list) { m_list = list; }
    void setClock(const Clock& clock) { m_clock = &clock; }

    void start(
        const QString& url, std::chrono::milliseconds limit, std::function<void(Result<void>)> finished) override;
    void abandon() override;

    cdp::Tab* tab() const { return m_tab; } // null until the first task opened it

private:
    class Host;
    struct Task;

    void tabReady(quint64 generation, Result<cdp::Tab*> tab);
    void watch(cdp::Tab* tab);
    void documentComplete(const QString& url, bool topLevel);
    void end(Result<void> outcome, bool keepTab);
    void dropTab();

    cdp::Browser* m_engine;
    QString m_appHome;
    const SettingsSource& m_settings;
    const Clock* m_clock = &Clock::system();
    const QAbstractItemModel* m_list = nullptr;
    QPointer<cdp::Tab> m_tab;
    std::shared_ptr<Host> m_host; // the current task's; a run keeps its own alive
    std::unique_ptr<Task> m_task;
    quint64 m_generation = 0;
    QList<QMetaObject::Connection> m_connections;
};

} // namespace qm
