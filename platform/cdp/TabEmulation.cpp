// How a tab emulates a device and answers for the page's requests (local files, authentication).
#include <QJsonArray>
#include <QUrl>

#include "platform/VerboseLog.h"
#include "platform/cdp/EmulationCommands.h"
#include "platform/cdp/TabPrivate.h"

namespace qm::cdp {

namespace {

QString str(const QJsonObject& o, const char* key)
{
    return o.value(QLatin1String(key)).toString();
}

} // namespace

void Tab::emulate(const PageEmulation& wanted, std::function<void(qm::Result<void>)> done)
{
    const PageEmulation was = d->emulation;
    QList<QPair<QString, QJsonObject>> steps;
    if (wanted.viewport != d->viewport || wanted.scale != was.scale || wanted.mobile != was.mobile)
        steps.append({ QStringLiteral("Emulation.setDeviceMetricsOverride"), DeviceMetrics(wanted) });
    if (wanted.mobile != d->touch)
        steps.append({ QStringLiteral("Emulation.setTouchEmulationEnabled"), TouchParams(wanted.mobile) });
    if (wanted.userAgent != was.userAgent) // an empty one gives the browser's own back
        steps.append({ QStringLiteral("Emulation.setUserAgentOverride"),
            { { QStringLiteral("userAgent"), wanted.userAgent } } });
    if (wanted.headers != was.headers)
        steps.append({ QStringLiteral("Network.setExtraHTTPHeaders"), HeaderParams(wanted) });
    if (wanted.cookies != was.cookies) {
        // The cookies of the page before (and those its server set) go with them.
        if (!was.cookies.isEmpty())
            steps.append({ QStringLiteral("Network.clearBrowserCookies"), {} });
        if (!wanted.cookies.isEmpty())
            steps.append({ QStringLiteral("Network.setCookies"),
                { { QStringLiteral("cookies"), CookieParams(wanted.cookies) } } });
    }
    if (wanted.colorScheme != was.colorScheme || wanted.reducedMotion != was.reducedMotion)
        steps.append({ QStringLiteral("Emulation.setEmulatedMedia"), MediaParams(wanted) });
    if (wanted.blocked != was.blocked)
        steps.append({ QStringLiteral("Network.setBlockedURLs"), BlockParams(wanted) });
    d->emulation = wanted;
    d->viewport = wanted.viewport;
    d->touch = wanted.mobile;
    if (interceptionChanged())
        steps.append(interception());

    if (steps.isEmpty()) {
        QTimer::singleShot(0, this, [done = std::move(done)] { done({}); });
        return;
    }
    // All go out at once; the first failure decides, the last answer finishes.
    auto remaining = std::make_shared<int>(int(steps.size()));
    auto callback = std::make_shared<std::function<void(qm::Result<void>)>>(std::move(done));
    QPointer<Tab> self(this);
    for (const auto& [method, params] : steps) {
        d->session->send(
            method, params,
            [self, remaining, callback, method](qm::Result<QJsonObject> r) {
                if (!self || !*callback)
                    return;
                if (!r) {
                    // The page fails, and its tab (which may hold part of the change) is not used again.
                    auto failed = std::exchange(*callback, nullptr);
                    if (method == QLatin1String("Network.setCookies"))
                        failed(qm::fail(r.error().code,
                            QStringLiteral("the browser refused the cookies file's cookies (%1)")
                                .arg(r.error().message)));
                    else
                        failed(std::unexpected(r.error()));
                    return;
                }
                if (--*remaining == 0)
                    std::exchange(*callback, nullptr)({});
            },
            d->commandLimit);
    }
}

bool Tab::interceptionChanged() const
{
    return d->interceptsFiles != !d->fileAccess.all || d->interceptsAuth != !d->emulation.authUser.isEmpty();
}

QPair<QString, QJsonObject> Tab::interception()
{
    d->interceptsFiles = !d->fileAccess.all;
    d->interceptsAuth = !d->emulation.authUser.isEmpty();
    if (!d->interceptsFiles && !d->interceptsAuth)
        return { QStringLiteral("Fetch.disable"), {} };
    return { QStringLiteral("Fetch.enable"), InterceptionParams(d->interceptsFiles, d->interceptsAuth) };
}

void Tab::onRequestPaused(const QJsonObject& params)
{
    const QString requestId = str(params, "requestId");
    const QString url = params.value(QLatin1String("request")).toObject().value(QLatin1String("url")).toString();
    // Only local files are checked; the rest are paused only so that authentication can be answered.
    if (!url.startsWith(QLatin1String("file:"), Qt::CaseInsensitive) || d->fileAccess.allows(d->accessPage, url)) {
        d->session->send(QStringLiteral("Fetch.continueRequest"), { { QStringLiteral("requestId"), requestId } });
        return;
    }
    VerboseLog(
        QStringLiteral("%1: reading %2 refused (outside the folders the page may read)").arg(d->accessPage, url));
    d->session->send(QStringLiteral("Fetch.failRequest"),
        { { QStringLiteral("requestId"), requestId },
            { QStringLiteral("errorReason"), QStringLiteral("AccessDenied") } });
    // The page itself going there (a script, a refresh, a link) leaves an error page in its place.
    if (str(params, "resourceType") == QLatin1String("Document") && str(params, "frameId") == d->mainFrameId)
        emit leftAllowedFiles(url);
}

void Tab::onAuthRequired(const QJsonObject& params)
{
    // The credentials go to the host of the page asked for, once for each origin and realm of the page:
    // a server that asks again refused them, and the page then shows (and fails with) its 401.
    const QJsonObject challenge = params.value(QLatin1String("authChallenge")).toObject();
    const QString origin = str(challenge, "origin");
    const QString key = origin + u'\n' + str(challenge, "realm");
    const bool ours = str(challenge, "source") != QLatin1String("Proxy") && !d->emulation.authUser.isEmpty()
        && QUrl(origin).host().compare(QUrl(d->accessPage).host(), Qt::CaseInsensitive) == 0
        && !d->answeredChallenges.contains(key);
    QJsonObject response { { QStringLiteral("response"),
        ours ? QStringLiteral("ProvideCredentials") : QStringLiteral("CancelAuth") } };
    if (ours) {
        d->answeredChallenges.insert(key);
        response.insert(QStringLiteral("username"), d->emulation.authUser);
        response.insert(QStringLiteral("password"), d->emulation.authPassword);
    }
    d->session->send(QStringLiteral("Fetch.continueWithAuth"),
        { { QStringLiteral("requestId"), str(params, "requestId") },
            { QStringLiteral("authChallengeResponse"), response } });
}

} // namespace qm::cdp
