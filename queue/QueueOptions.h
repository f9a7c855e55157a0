#pragma once

#include <QStringList>
#include <optional>

#include "platform/Error.h"
#include "queue/QueueNames.h"
#include "queue/RedisAddress.h"

namespace qm::queue {

// The options every queue command shares, and those of `worker`, `submit` and `status`.
struct QueueOptions
{
    RedisAddress address;
    QueueNames names;
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
    // status: the batch asked about; submit and status: what is left for convert's parser
    QStringList rest;
};

enum class QueueCommand { Worker, Submit, Status };

QString QueueUsage(QueueCommand command);

// Takes the queue's own options out of `arguments` (those after the command's name); for `worker` every
// other option is refused, for `submit` the rest are convert's, for `status` the rest is the batch id.
Result<QueueOptions> ParseQueueArguments(
    QueueCommand command, const QStringList& arguments, const QString& workingFolder);

} // namespace qm::queue
