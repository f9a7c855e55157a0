#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>

#include "batch/BatchView.h"
#include "capture/PageRunner.h"
#include "settings/SettingsSource.h"

namespace qm::test {

// Options held in memory, for driver tests that need no settings file.
class MemorySettings : public SettingsSource
{
public:
    // One page at a time unless a test sets "jobs"; left automatic it would follow this machine.
    MemorySettings() { set("set", "jobs", "1"); }
    QString read(const QString& section, const QString& key) const override
    {
        return m_values.value(section.toLower() + QLatin1Char('/') + key.toLower());
    }
    void set(const QString& section, const QString& key, const QString& value)
    {
        m_values.insert(section.toLower() + QLatin1Char('/') + key.toLower(), value);
    }

private:
    QHash<QString, QString> m_values;
};

// Records what the driver shows. Message boxes are answered on the next turn of the event loop,
// unless `holdMessages` keeps them open until answerMessage().
class RecordingView : public BatchView
{
public:
    void setProgressPanelVisible(bool visible) override { log(visible ? "panel shown" : "panel hidden"); }
    void setFrameCaption(const QString& caption) override { log("caption " + caption); }
    void setProgress(int value) override;
    int progress() const override { return m_progress; }
    void setBusyCursor(bool busy) override { log(busy ? "busy" : "not busy"); }
    void setStatusLabels(const QString& text) override { labels = text; }
    void information(const QString& text, std::function<void()> dismissed) override;
    void error(const QString& text, std::function<void()> dismissed) override;
    void openFolder(const QString& folder) override { log("open " + folder); }
    bool holdsNewRows() const override { return holding || m_open; }

    void answerMessage();
    QStringList entries(const QString& prefix) const; // log lines starting with prefix, prefix removed

    QStringList events;
    QList<int> progressValues;
    QString labels;
    bool holdMessages = false;
    bool holding = false;

private:
    void log(const QString& line) { events.append(line); }
    void show(const QString& line, std::function<void()> dismissed);

    QObject m_context; // answers pending on the event loop die with the view
    int m_progress = 0;
    bool m_open = false;
    std::function<void()> m_pending;
};

// A page runner whose pages finish when the test says so, or at once with "OK" when `autoFinish` is on.
class FakeRunner : public PageRunner
{
public:
    struct Call
    {
        Ticket ticket;
        QString address;
        std::chrono::milliseconds limit; // the time limit of the page's settings
    };

    void convert(Ticket ticket, const QString& address, const PageSettings& settings, Finished finished) override;
    void abandon(Ticket ticket) override;

    void finish(Ticket ticket, Result<QString> output); // answered later on the event loop
    QList<Ticket> inFlight() const { return m_finished.keys(); }

    QList<Call> calls;
    QList<Ticket> abandoned;
    int mostAtOnce = 0;
    bool autoFinish = false;
    std::function<void()> onConvert; // after each convert()
    QStringList neverFinish; // addresses that never answer, even with autoFinish
    QString warning; // every page's outcome carries it

private:
    QObject m_context;
    QHash<Ticket, Finished> m_finished;
};

} // namespace qm::test
