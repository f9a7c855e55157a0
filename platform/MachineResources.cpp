#include "platform/MachineResources.h"

#include <QFile>
#include <QThread>

namespace qm {

namespace {

qint64 MemAvailable()
{
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (!meminfo.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : meminfo.readAll().split('\n')) {
        if (!line.startsWith("MemAvailable:"))
            continue;
        const QList<QByteArray> fields = line.simplified().split(' ');
        return fields.size() >= 2 ? fields[1].toLongLong() * 1024 : 0;
    }
    return 0;
}

} // namespace

MachineResources MachineResources::probe()
{
    return { std::max(1, QThread::idealThreadCount()), MemAvailable() };
}

} // namespace qm
