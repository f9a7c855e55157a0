#include "tests/pipeline/BatchFakes.h"

#include <QTimer>

#include "capture/PageSettings.h"
#include "settings/SettingKeys.h"

namespace qm::test {

void RecordingView::setProgress(int value)
{
    m_progress = value;
    progressValues.append(value);
}

void RecordingView::information(const QString& text, std::function<void()> dismissed)
{
    show("information " + text, std::move(dismissed));
}

void RecordingView::error(const QString& text, std::function<void()> dismissed)
{
    show("error " + text, std::move(dismissed));
}

void RecordingView::show(const QString& line, std::function<void()> dismissed)
{
    log(line);
    m_open = true;
    m_pending = std::move(dismissed);
    if (!holdMessages)
        QTimer::singleShot(0, &m_context, [this] { answerMessage(); });
}

void RecordingView::answerMessage()
{
    if (!m_open)
        return;
    m_open = false;
    if (auto pending = std::exchange(m_pending, {}))
        pending();
}

QStringList RecordingView::entries(const QString& prefix) const
{
    QStringList out;
    for (const QString& line : events) {
        if (line.startsWith(prefix))
            out.append(line.mid(prefix.size()));
    }
    return out;
}

void FakeRunner::convert(Ticket ticket, const QString& address, const PageSettings& settings, Finished finished)
{
    calls.append({ ticket, address, ReadPageTimeout(settings) });
    m_finished.insert(ticket, std::move(finished));
    mostAtOnce = std::max(mostAtOnce, int(m_finished.size()));
    if (autoFinish && !neverFinish.contains(address))
        finish(ticket, QStringLiteral("/out/") + address);
    if (onConvert)
        onConvert();
}

void FakeRunner::abandon(Ticket ticket)
{
    abandoned.append(ticket);
    m_finished.remove(ticket);
}

void FakeRunner::finish(Ticket ticket, Result<QString> output)
{
    QTimer::singleShot(0, &m_context, [this, ticket, output] {
        if (auto done = m_finished.take(ticket))
            done(PageOutcome { .output = output, .elapsed = std::chrono::milliseconds(1), .warning = warning });
    });
}

} // namespace qm::test
