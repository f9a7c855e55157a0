#pragma once

#include <QString>

#include "platform/Error.h"

namespace qm::queue {

// Where the queue lives: redis://[user:password@]HOST[:PORT][/DB]. The password is kept apart from
// everything that is printed (describe() names the host alone).
struct RedisAddress
{
    QString host;
    int port = 6379;
    int database = 0;
    QString user;
    QString password;

    QString describe() const { return QStringLiteral("%1:%2").arg(host).arg(port); }

    // The password is the address's own, else the first line of `passwordFile`, else REDISCLI_AUTH.
    static Result<RedisAddress> parse(const QString& text, const QString& passwordFile = {});
};

} // namespace qm::queue
