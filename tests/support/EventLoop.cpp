#include "tests/support/EventLoop.h"

#include <QEventLoop>
#include <QTimer>

namespace qm::test {

bool LoopRunner::run(std::chrono::milliseconds limit)
{
    if (m_done)
        return true;
    QEventLoop loop;
    m_loop = &loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&loop] { loop.exit(1); });
    timer.start(limit);
    const int rc = loop.exec();
    m_loop = nullptr;
    return rc == 0 && m_done;
}

void LoopRunner::done()
{
    m_done = true;
    if (m_loop)
        m_loop->exit(0);
}

} // namespace qm::test
