#pragma once

#include <QByteArray>
#include <QList>

namespace qm::queue {

// A Redis answer, copied out of the client library's buffers. Error answers never get here: they
// arrive as an Error.
struct RedisReply
{
    enum class Type { Nil, Text, Integer, Array };

    Type type = Type::Nil;
    QByteArray text; // strings and status answers
    long long integer = 0;
    QList<RedisReply> elements;

    bool isNil() const { return type == Type::Nil; }
    // The element at `index`, or a nil answer past the end.
    const RedisReply& at(qsizetype index) const
    {
        static const RedisReply nil;
        return index >= 0 && index < elements.size() ? elements[index] : nil;
    }
};

} // namespace qm::queue
