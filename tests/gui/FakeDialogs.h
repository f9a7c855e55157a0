#pragma once

#include <QList>
#include <deque>

#include "platform/UserDialogs.h"

namespace qm::test {

// Answers the common dialogs at once with what the test queued; records what was asked.
class FakeDialogs : public UserDialogs
{
public:
    struct Message
    {
        Icon icon;
        QString text;
    };

    void setNextFiles(QStringList files) { m_files.push_back(std::move(files)); }
    void setNextFolder(QString folder) { m_folders.push_back(std::move(folder)); }
    void setNextColour(std::optional<QColor> colour) { m_colours.push_back(colour); }
    // Runs when a message box is shown, before it is answered (to look at the window behind it).
    void onMessage(std::function<void(const Message&)> look) { m_look = std::move(look); }
    // Keeps message boxes open until answerMessages() (to act while one is shown).
    void holdMessages(bool hold) { m_hold = hold; }
    void answerMessages();

    const QList<Message>& messages() const { return m_messages; }
    QStringList messageTexts() const;
    const QList<FileRequest>& fileRequests() const { return m_fileRequests; }
    int folderRequests() const { return m_folderRequests; }
    const QList<QColor>& colourRequests() const { return m_colourRequests; }

    void message(QWidget* parent, Icon icon, const QString& text, std::function<void()> dismissed) override;
    void chooseFiles(QWidget* parent, const FileRequest& request, std::function<void(QStringList)> chosen) override;
    void chooseFolder(
        QWidget* parent, const QString& prompt, const QString& start, std::function<void(QString)> chosen) override;
    void chooseColour(QWidget* parent, QColor initial, std::function<void(std::optional<QColor>)> chosen) override;

private:
    std::deque<QStringList> m_files;
    std::deque<QString> m_folders;
    std::deque<std::optional<QColor>> m_colours;
    std::function<void(const Message&)> m_look;
    bool m_hold = false;
    QList<std::function<void()>> m_held;
    QList<Message> m_messages;
    QList<FileRequest> m_fileRequests;
    int m_folderRequests = 0;
    QList<QColor> m_colourRequests;
};

} // namespace qm::test
