#include "queue/StreamEntries.h"

namespace qm::queue {

QList<StreamEntry> EntriesOf(const RedisReply& list)
{
    QList<StreamEntry> out;
    for (const RedisReply& item : list.elements) {
        StreamEntry entry;
        entry.id = item.at(0).text;
        const RedisReply& values = item.at(1);
        entry.deleted = values.isNil();
        for (qsizetype i = 0; i + 1 < values.elements.size(); i += 2)
            entry.fields.insert(values.elements[i].text, values.elements[i + 1].text);
        out.append(entry);
    }
    return out;
}

QList<StreamEntry> FirstStreamEntries(const RedisReply& reply)
{
    return reply.isNil() ? QList<StreamEntry>() : EntriesOf(reply.at(0).at(1));
}

QByteArrayList AddCommand(const QByteArray& stream, const Fields& fields)
{
    QByteArrayList command { "XADD", stream, "*" };
    for (auto field = fields.begin(); field != fields.end(); ++field)
        command << field.key() << field.value();
    return command;
}

} // namespace qm::queue
