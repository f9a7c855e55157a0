#include "capture/CookiesFile.h"

#include <QFile>
#include <QStringList>
#include <algorithm>

#include "platform/VisibleText.h"

namespace qm {

namespace {

constexpr qint64 LargestFile = 16 << 20;

std::optional<bool> Flag(const QString& text)
{
    if (text.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

// What a Cookie header cannot carry: ';' ends a cookie, a line break the header; '=' ends a name.
bool Carriable(const QString& text, bool name)
{
    return std::none_of(text.cbegin(), text.cend(),
        [name](QChar c) { return (c < u' ' && c != u'\t') || c == u'\x7f' || c == u';' || (name && c == u'='); });
}

} // namespace

Result<QList<cdp::Cookie>> ParseCookiesFile(const QByteArray& text, const QString& path, qint64 now)
{
    QList<cdp::Cookie> cookies;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = QString::fromUtf8(lines[i]);
        if (line.endsWith(u'\r'))
            line.chop(1);
        const auto malformed = [&](const QString& why) -> Result<QList<cdp::Cookie>> {
            return fail(
                Error::Code::Usage, QStringLiteral("the cookies file %1, line %2: %3").arg(path).arg(i + 1).arg(why));
        };
        cdp::Cookie cookie;
        static const QLatin1String httpOnly("#HttpOnly_");
        if (line.startsWith(httpOnly)) {
            cookie.httpOnly = true;
            line = line.mid(httpOnly.size());
        } else if (line.trimmed().isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        const QStringList fields = line.split(u'\t');
        if (fields.size() < 7)
            return malformed(QStringLiteral("a cookie takes seven fields separated by tabs (domain, subdomains, "
                                            "path, secure, expiry, name, value), not %1")
                                 .arg(fields.size()));
        cookie.domain = fields[0].trimmed();
        const auto subdomains = Flag(fields[1].trimmed());
        const auto secure = Flag(fields[3].trimmed());
        bool number = false;
        cookie.expires = fields[4].trimmed().toLongLong(&number);
        cookie.name = fields[5];
        cookie.value = fields.mid(6).join(u'\t');
        if (cookie.domain.isEmpty() || cookie.domain == QLatin1String("."))
            return malformed(QStringLiteral("the cookie has no domain"));
        if (!subdomains || !secure)
            return malformed(QStringLiteral("the subdomains and secure fields take TRUE or FALSE"));
        if (!number || cookie.expires < 0)
            return malformed(QStringLiteral("the expiry \"%1\" is not a number of seconds").arg(fields[4]));
        if (cookie.name.isEmpty())
            return malformed(QStringLiteral("the cookie has no name"));
        if (!Carriable(cookie.name, true))
            return malformed(QStringLiteral("the cookie name \"%1\" holds ';', '=' or a control character, which a "
                                            "Cookie header cannot carry")
                                 .arg(VisibleText(cookie.name)));
        if (!Carriable(cookie.value, false))
            return malformed(QStringLiteral("the value of the cookie \"%1\" holds ';' or a control character, which a "
                                            "Cookie header cannot carry")
                                 .arg(VisibleText(cookie.name)));
        cookie.subdomains = *subdomains;
        cookie.secure = *secure;
        cookie.path = fields[2].trimmed().isEmpty() ? QStringLiteral("/") : fields[2].trimmed();
        if (cookie.expires > 0 && cookie.expires < now)
            continue;
        cookies.append(cookie);
    }
    return cookies;
}

Result<QList<cdp::Cookie>> ReadCookiesFile(const QString& path, qint64 now)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > LargestFile)
        return fail(Error::Code::Io, QStringLiteral("cannot read the cookies file %1").arg(path));
    return ParseCookiesFile(file.readAll(), path, now);
}

} // namespace qm
