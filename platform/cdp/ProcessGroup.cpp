#include "platform/cdp/ProcessGroup.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <vector>

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace qm::cdp {

using namespace std::chrono;

namespace {

// The state letter and the group of a process, from /proc/<pid>/stat (the name may hold spaces and
// brackets, so fields are counted from the last ')').
bool readStat(const QString& pid, char& state, qint64& group)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray stat = file.readAll();
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return false;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    if (fields.size() < 3 || fields[0].isEmpty())
        return false;
    state = fields[0][0];
    group = fields[2].toLongLong();
    return true;
}

int openProcess(qint64 pid)
{
#ifdef SYS_pidfd_open
    return int(::syscall(SYS_pidfd_open, pid_t(pid), 0));
#else
    Q_UNUSED(pid);
    return -1;
#endif
}

} // namespace

QList<qint64> ProcessGroup::members() const
{
    QList<qint64> out;
    if (m_id <= 0)
        return out;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        char state = 0;
        qint64 group = 0;
        if (number && readStat(entry, state, group) && group == m_id && state != 'Z' && state != 'X')
            out.append(pid);
    }
    return out;
}

void ProcessGroup::signal(int signalNumber) const
{
    if (m_id > 1)
        ::kill(-pid_t(m_id), signalNumber);
}

bool ProcessGroup::waitForExit(milliseconds limit) const
{
    const auto deadline = steady_clock::now() + limit;
    for (;;) {
        const QList<qint64> running = members();
        if (running.isEmpty())
            return true;
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now());
        if (left <= 0ms)
            return false;
        std::vector<pollfd> fds;
        for (qint64 pid : running) {
            const int fd = openProcess(pid);
            if (fd >= 0)
                fds.push_back(pollfd { fd, POLLIN, 0 });
        }
        // Without process descriptors (old kernels) the group is looked at again every 20 ms.
        const int wait = fds.empty() ? int(std::min<qint64>(left.count(), 20)) : int(left.count());
        ::poll(fds.data(), fds.size(), wait);
        for (const pollfd& fd : fds)
            ::close(fd.fd);
    }
}

bool ProcessGroup::end(milliseconds grace) const
{
    if (members().isEmpty())
        return true;
    signal(SIGTERM);
    if (waitForExit(grace))
        return true;
    signal(SIGKILL);
    return waitForExit(grace);
}

} // namespace qm::cdp
