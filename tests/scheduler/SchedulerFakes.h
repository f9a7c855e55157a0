#pragma once

#include <QList>
#include <QString>

#include "platform/UserDialogs.h"
#include "scheduler/TaskCapture.h"

namespace qm::test {

// Answers message boxes at once and remembers their texts.
class RecordingDialogs : public UserDialogs
{
public:
    QStringList messages;

    void message(QWidget*, Icon, const QString& text, std::function<void()> dismissed) override;
    void chooseFiles(QWidget*, const FileRequest&, std::function<void(QStringList)> chosen) override;
    void chooseFolder(QWidget*, const QString&, const QString&, std::function<void(QString)> chosen) override;
    void chooseColour(QWidget*, QColor, std::function<void(std::optional<QColor>)> chosen) override;
};

// A capture host that only records what it was asked; the test decides when and how each task ends.
class RecordingCapture : public TaskCapture
{
public:
    QStringList started; // addresses, in order
    QList<std::chrono::milliseconds> limits;
    int abandoned = 0;

    void start(
        const QString& url, std::chrono::milliseconds limit, std::function<void(Result<void>)> finished) override;
    void abandon() override;

    bool running() const { return bool(m_finished); }
    void succeed();
    void failWith(const QString& reason);

private:
    std::function<void(Result<void>)> m_finished;
};

} // namespace qm::test
