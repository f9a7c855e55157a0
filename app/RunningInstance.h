#pragma once

#include <QLocalServer>
#include <QObject>
#include <QStringList>

#include "platform/Error.h"

namespace qm::app {

// One desktop program per app home, so that two schedulers never run the same schedule. A second
// start ("Open with Quillmark" while the program sits in the tray) hands its list rows to the
// program already running there and ends. The socket lives in this user's runtime folder
// (UserRuntimeFolder), and each side checks that the other runs as this user: rows go only to the
// user's own program and are taken only from it.
class RunningInstance : public QObject
{
    Q_OBJECT
public:
    explicit RunningInstance(const QString& homePath, QObject* parent = nullptr);

    // True when a program of this user runs for this home and has been given `rows`; false when none
    // runs. Fails, saying why, when there is no private folder for the socket or the program there runs
    // as another user: it is given nothing.
    Result<bool> handOver(const QStringList& rows);
    // Becomes the program for this home (after handOver found none); rows handed over later arrive
    // through rowsArrived.
    Result<void> listen();

signals:
    void rowsArrived(const QStringList& rows); // empty: just show the main window
    void strangerRefused(const QString& why); // a connection from another user, dropped unread

private:
    void accept();

    QString m_path; // empty when there is no private folder for it
    QString m_folderProblem;
    QLocalServer m_server;
};

} // namespace qm::app
