#pragma once

#include <QString>
#include <functional>

namespace qm {

// Where messages for the user go: a message box in the desktop program, a line on stderr on the
// command line, a recorder in tests. Nothing here blocks; `dismissed` runs once the user has seen
// the message (at once where there is nobody to answer).
class MessageSink
{
public:
    virtual ~MessageSink() = default;
    virtual void information(const QString& text, std::function<void()> dismissed = {}) = 0;
    virtual void error(const QString& text, std::function<void()> dismissed = {}) = 0;
};

} // namespace qm
