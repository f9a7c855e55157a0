#include "tests/support/HeadPipe.h"

#include <QProcess>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

namespace qm::test {

HeadPipe::HeadPipe(QProcess& process, int lines, std::function<void()> read)
    : m_lines(lines)
    , m_read(std::move(read))
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return;
    m_readEnd = ends[0];
    m_writeEnd = ends[1];
    // In the child, after QProcess has set up its channels: the program's stdout is this pipe.
    process.setChildProcessModifier([writeEnd = m_writeEnd] { ::dup2(writeEnd, STDOUT_FILENO); });
}

HeadPipe::~HeadPipe()
{
    close();
    if (m_writeEnd >= 0)
        ::close(m_writeEnd);
}

void HeadPipe::started()
{
    if (m_writeEnd >= 0)
        ::close(m_writeEnd);
    m_writeEnd = -1;
    if (m_readEnd < 0)
        return;
    if (m_lines == 0) {
        close();
        if (m_read)
            m_read();
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_readEnd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readable(); });
}

void HeadPipe::readable()
{
    char buffer[4096];
    const ssize_t got = ::read(m_readEnd, buffer, sizeof buffer);
    if (got > 0)
        m_text.append(buffer, got);
    if (got == 0 || m_text.count('\n') >= m_lines) {
        close();
        if (m_read)
            m_read();
    }
}

void HeadPipe::close()
{
    m_notifier.reset();
    if (m_readEnd >= 0)
        ::close(m_readEnd);
    m_readEnd = -1;
}

} // namespace qm::test
