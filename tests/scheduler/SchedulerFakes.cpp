#include "tests/scheduler/SchedulerFakes.h"

#include "capture/PageSettings.h"
#include "settings/SettingKeys.h"

namespace qm::test {

void RecordingDialogs::message(QWidget*, Icon, const QString& text, std::function<void()> dismissed)
{
    messages.append(text);
    if (dismissed)
        dismissed();
}

void RecordingDialogs::chooseFiles(QWidget*, const FileRequest&, std::function<void(QStringList)> chosen)
{
    chosen({});
}

void RecordingDialogs::chooseFolder(QWidget*, const QString&, const QString&, std::function<void(QString)> chosen)
{
    chosen({});
}

void RecordingDialogs::chooseColour(QWidget*, QColor, std::function<void(std::optional<QColor>)> chosen)
{
    chosen(std::nullopt);
}

void RecordingPages::convert(Ticket ticket, const QString& address, const PageSettings& settings, Finished finished)
{
    started.append(address);
    tickets.append(ticket);
    limits.append(ReadPageTimeout(settings));
    m_finished = std::move(finished);
}

void RecordingPages::abandon(Ticket ticket)
{
    abandoned.append(ticket);
    m_finished = {};
}

void RecordingPages::succeed(const QString& httpStatusLine)
{
    auto finished = std::exchange(m_finished, {});
    PageOutcome outcome { QStringLiteral("/out/page.png") };
    outcome.httpStatusLine = httpStatusLine;
    finished(outcome);
}

void RecordingPages::failWith(const QString& reason)
{
    auto finished = std::exchange(m_finished, {});
    finished(PageOutcome { fail(Error::Code::Navigation, reason) });
}

} // namespace qm::test
