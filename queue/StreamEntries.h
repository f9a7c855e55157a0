#pragma once

#include <QList>

#include "queue/JobEntry.h"
#include "queue/RedisReply.h"

namespace qm::queue {

struct StreamEntry
{
    QByteArray id;
    Fields fields;
    bool deleted = false; // the entry is gone from the stream (trimmed or deleted) but was still pending
};

// The entries of a list as XRANGE and XAUTOCLAIM answer it: [[id, [field, value, ...]], ...].
QList<StreamEntry> EntriesOf(const RedisReply& list);

// The entries of the first stream of an XREAD / XREADGROUP answer ([[name, entries]]); none on a nil answer.
QList<StreamEntry> FirstStreamEntries(const RedisReply& reply);

// XADD's arguments for `fields`.
QByteArrayList AddCommand(const QByteArray& stream, const Fields& fields);

} // namespace qm::queue
