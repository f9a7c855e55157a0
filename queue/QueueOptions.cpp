#include "queue/QueueOptions.h"

namespace qm::queue {

Result<QueueOptions> ResolveQueue(run::QueueRunOptions options)
{
    QueueOptions resolved { std::move(options), {}, {} };
    auto address = RedisAddress::parse(resolved.queue, resolved.passwordFile);
    if (!address)
        return std::unexpected(address.error());
    resolved.address = *address;
    if (!resolved.stream.isEmpty())
        resolved.names.stream = resolved.stream.toUtf8();
    if (!resolved.group.isEmpty())
        resolved.names.group = resolved.group.toUtf8();
    return resolved;
}

} // namespace qm::queue
