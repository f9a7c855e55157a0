#pragma once

#include <QObject>

class QSocketNotifier;

namespace qm {

// Turns SIGINT and SIGTERM into a signal on the event loop: the handler only writes a byte into a
// pipe, and a socket notifier reads it. While the watcher lives, the default action (ending the
// process at once) is replaced; the destructor restores it.
class InterruptWatcher : public QObject
{
    Q_OBJECT
public:
    explicit InterruptWatcher(QObject* parent = nullptr);
    ~InterruptWatcher() override;

    bool isActive() const { return m_notifier != nullptr; }

signals:
    void interrupted(int signalNumber);

private:
    void readPipe();
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace qm
