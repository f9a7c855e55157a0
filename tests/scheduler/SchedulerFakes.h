#pragma once

#include <QList>
#include <QString>

#include "capture/PageRunner.h"
#include "platform/UserDialogs.h"

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

// A page runner that only records what it was asked; the test decides when and how each page ends.
class RecordingPages : public PageRunner
{
public:
    QStringList started; // addresses, in order
    QList<Ticket> tickets; // of the started pages, in order
    QList<std::chrono::milliseconds> limits; // the time limits of the pages' settings
    QList<Ticket> abandoned;

    void convert(Ticket ticket, const QString& address, const PageSettings& settings, Finished finished) override;
    void abandon(Ticket ticket) override;

    bool running() const { return bool(m_finished); }
    void succeed(const QString& httpStatusLine = {});
    void failWith(const QString& reason);

private:
    Finished m_finished;
};

} // namespace qm::test
