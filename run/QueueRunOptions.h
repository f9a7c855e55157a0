#pragma once

#include <QStringList>
#include <optional>

#include "platform/Error.h"

namespace qm::run {

class ArgumentReader;

// The options of `worker`, `submit` and `status`, checked; the queue's address stays text for the queue
// to read.
struct QueueRunOptions
{
    QString queue; // redis://...
    QString passwordFile; // absolute
    QString stream; // empty: the default
    QString group;
    bool help = false;
    bool verbose = false;
    // worker
    int jobs = 1;
    QStringList browsers;
    QString home;
    std::optional<int> idleSeconds;
    QString workerName;
    QString outputRoot; // absolute; empty: the output folder of the worker's own settings
    QStringList allowFiles; // absolute folders, or "all"; none: jobs read no local file
    QStringList authHosts; // the hosts QUILLMARK_AUTH goes to
    // submit
    bool wait = false;
    // status
    QString batch;
};

// The queue's options out of a worker's, submit's or status's arguments; submit's others are convert's.
Result<QueueRunOptions> ReadQueueOptions(const ArgumentReader& arguments, const QString& workingFolder);

} // namespace qm::run
