#pragma once

#include <QByteArray>
#include <functional>
#include <memory>

class QProcess;
class QSocketNotifier;

namespace qm::test {

// The standard output of a program the test starts, read as `| head -N` reads it: once N lines are in,
// the pipe's read end is closed, so the program's next write to it fails (EPIPE), as in a shell
// pipeline. (QProcess keeps its own end open until more output comes, so it cannot stand for this.)
class HeadPipe
{
public:
    // Before `process` starts; `read` runs once the lines are in and the pipe is closed.
    HeadPipe(QProcess& process, int lines, std::function<void()> read = {});
    ~HeadPipe();
    HeadPipe(const HeadPipe&) = delete;
    HeadPipe& operator=(const HeadPipe&) = delete;

    // After `process` started: the test's copy of the write end goes (with N = 0 the read end too).
    void started();
    const QByteArray& text() const { return m_text; }
    bool closed() const { return m_readEnd < 0; }

private:
    void readable();
    void close();

    int m_lines;
    std::function<void()> m_read;
    int m_readEnd = -1;
    int m_writeEnd = -1;
    QByteArray m_text;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace qm::test
