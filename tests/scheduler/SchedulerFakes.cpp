#include "tests/scheduler/SchedulerFakes.h"

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

void RecordingCapture::start(
    const QString& url, std::chrono::milliseconds limit, std::function<void(Result<void>)> finished)
{
    started.append(url);
    limits.append(limit);
    m_finished = std::move(finished);
}

void RecordingCapture::abandon()
{
    ++abandoned;
    m_finished = {};
}

void RecordingCapture::succeed()
{
    auto finished = std::exchange(m_finished, {});
    finished({});
}

void RecordingCapture::failWith(const QString& reason)
{
    auto finished = std::exchange(m_finished, {});
    finished(fail(Error::Code::Navigation, reason));
}

} // namespace qm::test
