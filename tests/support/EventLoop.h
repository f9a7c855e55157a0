#pragma once

#include <QObject>
#include <chrono>
#include <functional>

class QEventLoop;

namespace qm::test {

// Runs the (only) event loop of a test until done() is called or the limit passes. Returns false on
// time-out. Tests call it from the test body, where no other loop is running.
class LoopRunner
{
public:
    bool run(std::chrono::milliseconds limit);
    void done();

private:
    QEventLoop* m_loop = nullptr;
    bool m_done = false;
};

// Runs the event loop until the signal fires (or the limit passes).
template<typename Sender, typename Signal>
bool waitForSignal(Sender* sender, Signal signal, std::chrono::milliseconds limit)
{
    LoopRunner runner;
    auto connection = QObject::connect(sender, signal, sender, [&runner] { runner.done(); });
    const bool ok = runner.run(limit);
    QObject::disconnect(connection);
    return ok;
}

} // namespace qm::test
