#pragma once

#include <QString>
#include <expected>

namespace qm {

// A failure as a value: a code for the program, a message for the user.
struct Error
{
    enum class Code {
        Io, // a file could not be read or written
        Usage, // bad input from the user (arguments, addresses)
        NotFound, // a file or program is missing
        Timeout, // a time limit ran out
        Navigation, // a page could not be loaded (DNS, refused, HTTP)
        Protocol, // the browser answered with an error
        BrowserGone, // the browser process or connection ended
        Crashed, // the page's renderer crashed
        Cancelled, // the user or the program stopped the work
        Unsupported, // a format or size that cannot be handled
    };

    Code code = Code::Io;
    QString message;

    static Error make(Code code, QString message) { return Error { code, std::move(message) }; }
};

// A value or an Error. Dropping one unread is a warning: every outcome is looked at, or ignored with a
// (void) and a reason.
template<typename T> class [[nodiscard]] Result : public std::expected<T, Error>
{
public:
    using std::expected<T, Error>::expected;
    Result() = default;
    Result(std::expected<T, Error> other)
        : std::expected<T, Error>(std::move(other))
    {
    }
};

inline std::unexpected<Error> fail(Error::Code code, QString message)
{
    return std::unexpected<Error>(Error { code, std::move(message) });
}

} // namespace qm
