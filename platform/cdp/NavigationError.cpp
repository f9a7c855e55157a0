#include "platform/cdp/NavigationError.h"

#include <array>

#include "platform/VerboseLog.h"

namespace qm::cdp {

namespace {

struct Reason
{
    const char* name;
    const char* text;
};

constexpr std::array Reasons {
    Reason { "net::ERR_NAME_NOT_RESOLVED", "the host name could not be found" },
    Reason { "net::ERR_NAME_RESOLUTION_FAILED", "the host name could not be found" },
    Reason { "net::ERR_CONNECTION_REFUSED", "the connection was refused" },
    Reason { "net::ERR_CONNECTION_TIMED_OUT", "the connection timed out" },
    Reason { "net::ERR_TIMED_OUT", "the connection timed out" },
    Reason { "net::ERR_CONNECTION_RESET", "the server reset the connection" },
    Reason { "net::ERR_CONNECTION_CLOSED", "the server closed the connection" },
    Reason { "net::ERR_EMPTY_RESPONSE", "the server sent nothing" },
    Reason { "net::ERR_ADDRESS_UNREACHABLE", "the address cannot be reached" },
    Reason { "net::ERR_INTERNET_DISCONNECTED", "there is no network connection" },
    Reason { "net::ERR_FILE_NOT_FOUND", "the file does not exist" },
    Reason { "net::ERR_ABORTED", "the navigation was stopped" },
    Reason { "net::ERR_INVALID_URL", "the address is not valid" },
    Reason { "net::ERR_UNKNOWN_URL_SCHEME", "the address's scheme is not supported" },
    Reason { "net::ERR_DISALLOWED_URL_SCHEME", "the address's scheme is not allowed" },
    Reason { "net::ERR_TOO_MANY_REDIRECTS", "the server redirects in a loop" },
    Reason { "net::ERR_SSL_PROTOCOL_ERROR", "the secure connection failed" },
    Reason { "net::ERR_UNSAFE_PORT", "the browser does not connect to this port (it is kept for other services)" },
    Reason { "net::ERR_BLOCKED_BY_RESPONSE", "the server does not allow the page to be shown" },
};

} // namespace

qm::Error NavigationError(const QString& url, const QString& errorText)
{
    QString reason = QStringLiteral("the page could not be loaded");
    for (const Reason& entry : Reasons) {
        if (errorText == QLatin1String(entry.name)) {
            reason = QString::fromLatin1(entry.text);
            break;
        }
    }
    if (errorText.startsWith(QLatin1String("net::ERR_CERT_")))
        reason = QStringLiteral("the server's certificate is not trusted");
    VerboseLog(QStringLiteral("%1: the browser reported %2").arg(url, errorText));
    return qm::Error::make(qm::Error::Code::Navigation, QStringLiteral("%1: %2").arg(url, reason));
}

bool IsHttpStatusError(const QString& errorText)
{
    return errorText == QLatin1String("net::ERR_HTTP_RESPONSE_CODE_FAILURE");
}

} // namespace qm::cdp
