#include "capture/HttpStatus.h"

#include "settings/ReadingRules.h"
#include "settings/SettingKeys.h"

namespace qm {

namespace {

struct Phrase
{
    int status;
    const char* text;
};

constexpr Phrase Phrases[] = {
    Phrase { 200, "OK" },
    Phrase { 201, "Created" },
    Phrase { 202, "Accepted" },
    Phrase { 203, "Non-Authoritative Information" },
    Phrase { 204, "No Content" },
    Phrase { 206, "Partial Content" },
    Phrase { 300, "Multiple Choices" },
    Phrase { 301, "Moved Permanently" },
    Phrase { 302, "Found" },
    Phrase { 303, "See Other" },
    Phrase { 304, "Not Modified" },
    Phrase { 307, "Temporary Redirect" },
    Phrase { 308, "Permanent Redirect" },
    Phrase { 400, "Bad Request" },
    Phrase { 401, "Unauthorized" },
    Phrase { 402, "Payment Required" },
    Phrase { 403, "Forbidden" },
    Phrase { 404, "Not Found" },
    Phrase { 405, "Method Not Allowed" },
    Phrase { 406, "Not Acceptable" },
    Phrase { 407, "Proxy Authentication Required" },
    Phrase { 408, "Request Timeout" },
    Phrase { 409, "Conflict" },
    Phrase { 410, "Gone" },
    Phrase { 411, "Length Required" },
    Phrase { 412, "Precondition Failed" },
    Phrase { 413, "Content Too Large" },
    Phrase { 414, "URI Too Long" },
    Phrase { 415, "Unsupported Media Type" },
    Phrase { 416, "Range Not Satisfiable" },
    Phrase { 417, "Expectation Failed" },
    Phrase { 418, "I'm a teapot" },
    Phrase { 421, "Misdirected Request" },
    Phrase { 422, "Unprocessable Content" },
    Phrase { 423, "Locked" },
    Phrase { 424, "Failed Dependency" },
    Phrase { 425, "Too Early" },
    Phrase { 426, "Upgrade Required" },
    Phrase { 428, "Precondition Required" },
    Phrase { 429, "Too Many Requests" },
    Phrase { 431, "Request Header Fields Too Large" },
    Phrase { 451, "Unavailable For Legal Reasons" },
    Phrase { 500, "Internal Server Error" },
    Phrase { 501, "Not Implemented" },
    Phrase { 502, "Bad Gateway" },
    Phrase { 503, "Service Unavailable" },
    Phrase { 504, "Gateway Timeout" },
    Phrase { 505, "HTTP Version Not Supported" },
    Phrase { 506, "Variant Also Negotiates" },
    Phrase { 507, "Insufficient Storage" },
    Phrase { 508, "Loop Detected" },
    Phrase { 510, "Not Extended" },
    Phrase { 511, "Network Authentication Required" },
};

QString standardPhrase(int status)
{
    for (const Phrase& phrase : Phrases) {
        if (phrase.status == status)
            return QString::fromLatin1(phrase.text);
    }
    return {};
}

} // namespace

QString HttpStatusLine(int status, const QString& serverText)
{
    if (status <= 0)
        return {};
    QString phrase = serverText.trimmed();
    if (phrase.isEmpty())
        phrase = standardPhrase(status);
    QString line = QStringLiteral("HTTP %1").arg(status);
    if (!phrase.isEmpty())
        line += QLatin1Char(' ') + phrase;
    return line;
}

bool IsHttpError(int status)
{
    return status >= 400;
}

bool CapturesHttpErrors(const SettingsSource& settings)
{
    return ReadFlag(settings, keys::HttpErrors);
}

} // namespace qm
