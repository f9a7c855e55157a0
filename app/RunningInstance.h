#pragma once

#include <QLocalServer>
#include <QObject>
#include <QStringList>

#include "platform/Error.h"

namespace qm::app {

// One desktop program per app home, so that two schedulers never run the same schedule. A second
// start ("Open with Quillmark" while the program sits in the tray) hands its list rows to the
// program already running there and ends.
class RunningInstance : public QObject
{
    Q_OBJECT
public:
    explicit RunningInstance(const QString& homePath, QObject* parent = nullptr);

    // True when a program runs for this home and has been given `rows`.
    bool handOver(const QStringList& rows);
    // Becomes the program for this home (after handOver found none); rows handed over later arrive
    // through rowsArrived.
    Result<void> listen();

signals:
    void rowsArrived(const QStringList& rows); // empty: just show the main window

private:
    void accept();

    QString m_name;
    QLocalServer m_server;
};

} // namespace qm::app
