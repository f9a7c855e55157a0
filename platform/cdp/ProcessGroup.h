#pragma once

#include <QList>
#include <chrono>

namespace qm::cdp {

// A process group on Linux: the browser and every helper process it starts (zygotes, renderers, GPU
// and network services) share the group the browser was started in.
class ProcessGroup
{
public:
    explicit ProcessGroup(qint64 id)
        : m_id(id)
    {
    }

    qint64 id() const { return m_id; }

    // Members that are still running (exited processes waiting to be reaped do not count).
    QList<qint64> members() const;
    void signal(int signalNumber) const;

    // Waits until no member runs, at most `limit`; true when the group is gone. Waits on process file
    // descriptors, so nothing spins.
    bool waitForExit(std::chrono::milliseconds limit) const;

    // Asks the members to quit, waits `grace`, then kills what is left and waits for that too.
    bool end(std::chrono::milliseconds grace) const;

private:
    qint64 m_id;
};

} // namespace qm::cdp
