#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace qm {

class UrlListModel;
class UserDialogs;

// Typed addresses, one per line: each non-blank line becomes a row (spaces kept) with the current
// output format; blank lines are skipped. Returns the number of rows added.
int AddUrlLines(UrlListModel& list, const QString& settingsPath, const QString& text);

// The commands of the URL list that go through the common dialogs. Like the one common dialog of the
// main window, the file dialogs share a title and a file name: the list-file dialogs set the title and
// keep the chosen name for the next dialog; adding HTML files keeps the title and clears the name.
class UrlListCommands
{
public:
    UrlListCommands(UrlListModel& list, QString settingsPath, UserDialogs& dialogs);

    void addHtmlFiles(QWidget* parent);
    void saveUrlList(QWidget* parent);
    void loadUrlList(QWidget* parent);
    // Files dropped from the file manager: HTML files only; the first other file stops the drop.
    void dropFiles(QWidget* parent, const QStringList& paths);

    static bool IsHtmlFileName(const QString& path);

private:
    QString outputFormat() const;

    UrlListModel& m_list;
    QString m_settingsPath;
    UserDialogs& m_dialogs;
    QString m_dialogTitle;
    QString m_dialogFileName;
};

} // namespace qm
