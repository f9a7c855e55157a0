#include "FakeDialogs.h"

namespace qm::test {

QStringList FakeDialogs::messageTexts() const
{
    QStringList texts;
    for (const Message& m : m_messages)
        texts.append(m.text);
    return texts;
}

void FakeDialogs::answerMessages()
{
    const auto held = std::exchange(m_held, {});
    for (const auto& dismissed : held) {
        if (dismissed)
            dismissed();
    }
}

void FakeDialogs::message(QWidget*, Icon icon, const QString& text, std::function<void()> dismissed)
{
    m_messages.append(Message { icon, text });
    if (m_look)
        m_look(m_messages.last());
    if (m_hold) {
        m_held.append(std::move(dismissed));
        return;
    }
    if (dismissed)
        dismissed();
}

void FakeDialogs::chooseFiles(QWidget*, const FileRequest& request, std::function<void(QStringList)> chosen)
{
    m_fileRequests.append(request);
    QStringList answer;
    if (!m_files.empty()) {
        answer = m_files.front();
        m_files.pop_front();
    }
    chosen(answer);
}

void FakeDialogs::chooseFolder(QWidget*, const QString&, const QString&, std::function<void(QString)> chosen)
{
    ++m_folderRequests;
    QString answer;
    if (!m_folders.empty()) {
        answer = m_folders.front();
        m_folders.pop_front();
    }
    chosen(answer);
}

void FakeDialogs::chooseColour(QWidget*, QColor initial, std::function<void(std::optional<QColor>)> chosen)
{
    m_colourRequests.append(initial);
    std::optional<QColor> answer;
    if (!m_colours.empty()) {
        answer = m_colours.front();
        m_colours.pop_front();
    }
    chosen(answer);
}

} // namespace qm::test
