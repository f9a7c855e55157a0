#pragma once

#include "platform/Error.h"
#include "queue/QueueNames.h"
#include "queue/RedisAddress.h"
#include "run/QueueRunOptions.h"

namespace qm::queue {

// A queue command's options with the queue they name.
struct QueueOptions : run::QueueRunOptions
{
    RedisAddress address;
    QueueNames names;
};

// Reads the address (and its password) and the stream's keys out of the options.
Result<QueueOptions> ResolveQueue(run::QueueRunOptions options);

} // namespace qm::queue
