#include "platform/cdp/EmulationCommands.h"

namespace qm::cdp {

QJsonObject DeviceMetrics(const PageEmulation& emulation)
{
    return { { QStringLiteral("width"), emulation.viewport.width() },
        { QStringLiteral("height"), emulation.viewport.height() },
        { QStringLiteral("deviceScaleFactor"), emulation.scale }, { QStringLiteral("mobile"), emulation.mobile } };
}

QJsonObject TouchParams(bool enabled)
{
    QJsonObject params { { QStringLiteral("enabled"), enabled } };
    if (enabled)
        params.insert(QStringLiteral("maxTouchPoints"), 5);
    return params;
}

QJsonObject MediaParams(const PageEmulation& emulation)
{
    QJsonArray features;
    if (!emulation.colorScheme.isEmpty())
        features.append(QJsonObject { { QStringLiteral("name"), QStringLiteral("prefers-color-scheme") },
            { QStringLiteral("value"), emulation.colorScheme } });
    if (emulation.reducedMotion)
        features.append(QJsonObject { { QStringLiteral("name"), QStringLiteral("prefers-reduced-motion") },
            { QStringLiteral("value"), QStringLiteral("reduce") } });
    return { { QStringLiteral("features"), features } };
}

QJsonObject HeaderParams(const PageEmulation& emulation)
{
    QJsonObject headers;
    for (const auto& [name, value] : emulation.headers)
        headers.insert(name, value);
    return { { QStringLiteral("headers"), headers } };
}

QJsonArray CookieParams(const QList<Cookie>& cookies)
{
    QJsonArray params;
    for (const Cookie& cookie : cookies) {
        QJsonObject param { { QStringLiteral("name"), cookie.name }, { QStringLiteral("value"), cookie.value },
            { QStringLiteral("path"), cookie.path }, { QStringLiteral("secure"), cookie.secure },
            { QStringLiteral("httpOnly"), cookie.httpOnly } };
        QString host = cookie.domain;
        if (host.startsWith(u'.'))
            host.remove(0, 1);
        if (cookie.subdomains) {
            param.insert(QStringLiteral("domain"), host);
        } else {
            // A cookie of one host only is set through an address of that host.
            param.insert(QStringLiteral("url"),
                (cookie.secure ? QStringLiteral("https://") : QStringLiteral("http://")) + host + cookie.path);
        }
        if (cookie.expires > 0)
            param.insert(QStringLiteral("expires"), double(cookie.expires));
        params.append(param);
    }
    return params;
}

QJsonObject BlockParams(const PageEmulation& emulation)
{
    return { { QStringLiteral("urls"), QJsonArray::fromStringList(emulation.blocked) } };
}

QJsonObject InterceptionParams(bool files, bool auth)
{
    QJsonArray patterns;
    if (auth)
        patterns.append(QJsonObject { { QStringLiteral("urlPattern"), QStringLiteral("*") } });
    else if (files)
        patterns.append(QJsonObject { { QStringLiteral("urlPattern"), QStringLiteral("file:*") } });
    return { { QStringLiteral("patterns"), patterns }, { QStringLiteral("handleAuthRequests"), auth } };
}

} // namespace qm::cdp
