#pragma once

#include <QByteArray>
#include <QList>

namespace qm::queue {

// A Redis answer, copied out of the client library's buffers. An error answer arrives as an Error; only
// inside an array (the answers of a transaction's commands) is one kept here, as Type::Error.
struct RedisReply
{
    enum class Type { Nil, Text, Integer, Array, Error };

    Type type = Type::Nil;
    QByteArray text; // strings, status and error answers
    long long integer = 0;
    QList<RedisReply> elements;

    bool isNil() const { return type == Type::Nil; }
    bool isError() const { return type == Type::Error; }
    // The element at `index`, or a nil answer past the end.
    const RedisReply& at(qsizetype index) const
    {
        static const RedisReply nil;
        return index >= 0 && index < elements.size() ? elements[index] : nil;
    }
};

} // namespace qm::queue
