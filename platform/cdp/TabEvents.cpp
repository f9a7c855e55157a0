// How a tab reads the protocol's page, network and inspector events.
#include <QJsonObject>

#include "platform/cdp/TabPrivate.h"

namespace qm::cdp {

namespace {

QString str(const QJsonObject& o, const char* key)
{
    return o.value(QLatin1String(key)).toString();
}

// A response the browser saves rather than shows: an attachment, or a type it cannot display.
bool IsDownloadResponse(const QJsonObject& response)
{
    const QJsonObject headers = response.value(QLatin1String("headers")).toObject();
    for (auto it = headers.begin(); it != headers.end(); ++it) {
        if (it.key().compare(QLatin1String("content-disposition"), Qt::CaseInsensitive) == 0
            && it.value().toString().trimmed().startsWith(QLatin1String("attachment"), Qt::CaseInsensitive))
            return true;
    }
    const QString type = str(response, "mimeType").toLower();
    static const QStringList shown { "text/", "image/", "application/xhtml", "application/xml", "application/json",
        "application/pdf", "application/javascript", "multipart/x-mixed-replace" };
    if (type.isEmpty())
        return false;
    for (const QString& prefix : shown) {
        if (type.startsWith(prefix))
            return false;
    }
    return true;
}

bool is(const QString& method, const char* name)
{
    return method == QLatin1String(name);
}

} // namespace

void Tab::onEvent(const QString& method, const QJsonObject& params)
{
    if (is(method, "Network.requestWillBeSent")) {
        d->requestsInFlight.insert(str(params, "requestId"));
        if (str(params, "type") == QLatin1String("Document")) {
            const QString frameId = str(params, "frameId");
            if (frameId == d->mainFrameId && !d->nav.active) {
                // A document the page sent itself to (a link, a form, a script that told no one first).
                d->pageNavigating = true;
                d->pageNavigationRequest = str(params, "requestId");
            }
            emit navigationStarted(
                params.value(QLatin1String("request")).toObject().value(QLatin1String("url")).toString(),
                frameId == d->mainFrameId);
        }
    } else if (is(method, "Network.loadingFinished") || is(method, "Network.loadingFailed")) {
        const QString id = str(params, "requestId");
        // The page's own navigation failed or was dropped (a 204, a download): nothing more will load.
        if (is(method, "Network.loadingFailed") && !id.isEmpty() && id == d->pageNavigationRequest)
            endPageNavigation();
        if (d->requestsInFlight.remove(id) && d->requestsInFlight.isEmpty())
            emit networkQuiet();
    } else if (is(method, "Network.responseReceived")) {
        if (str(params, "type") == QLatin1String("Document")) {
            const QJsonObject response = params.value(QLatin1String("response")).toObject();
            d->documentResponses.insert(str(params, "loaderId"),
                PageLoad { str(response, "url"), response.value(QLatin1String("status")).toInt(),
                    str(response, "statusText") });
            if (d->nav.active && str(params, "frameId") == d->mainFrameId && IsDownloadResponse(response))
                d->nav.download = true;
        }
    } else if (is(method, "Page.frameNavigated")) {
        const QJsonObject frame = params.value(QLatin1String("frame")).toObject();
        const QString id = str(frame, "id");
        const QString url = str(frame, "url") + str(frame, "urlFragment");
        d->frameUrls.insert(id, url);
        if (frame.value(QLatin1String("parentId")).isUndefined() || id == d->mainFrameId) {
            d->mainFrameId = id;
            d->mainLoaderId = str(frame, "loaderId");
            d->showingErrorPage = !str(frame, "unreachableUrl").isEmpty();
            d->currentUrl = d->showingErrorPage ? str(frame, "unreachableUrl") : url;
            if (d->nav.active)
                d->nav.committedLoader = d->mainLoaderId;
        }
    } else if (is(method, "Page.frameRequestedNavigation")) {
        // Said by the page's renderer while the script that asked still runs, so before that script's
        // answer: whoever waits on the script sees that a new document is coming.
        if (str(params, "frameId") == d->mainFrameId && !d->nav.active
            && str(params, "disposition") == QLatin1String("currentTab"))
            d->pageNavigating = true;
    } else if (is(method, "Page.navigatedWithinDocument")) {
        if (str(params, "frameId") == d->mainFrameId) {
            d->currentUrl = str(params, "url");
            if (d->pageNavigationRequest.isEmpty())
                endPageNavigation(); // only a fragment changed
        }
    } else if (is(method, "Page.frameDetached")) {
        d->frameUrls.remove(str(params, "frameId"));
    } else if (is(method, "Page.lifecycleEvent")) {
        if (str(params, "name") != QLatin1String("load"))
            return;
        const QString frameId = str(params, "frameId");
        const QString loaderId = str(params, "loaderId");
        if (frameId != d->mainFrameId) {
            const QString url = d->frameUrls.value(frameId);
            emit documentComplete(url, false, PageLoad { url, 0, {} });
            return;
        }
        endPageNavigation();
        auto& nav = d->nav;
        if (nav.active) {
            if (!nav.answered)
                nav.loadsBeforeAnswer.insert(loaderId);
            else if (loaderId == nav.loaderId || loaderId == nav.committedLoader)
                completeTopLevel(loaderId);
            return;
        }
        // A navigation the page or the user started (links, scripts, history).
        if (!d->showingErrorPage)
            completeTopLevel(loaderId);
    } else if (is(method, "Page.javascriptDialogOpening")) {
        // Leaving the page must stay possible; every other dialog is answered "no".
        const QString type = str(params, "type");
        d->session->send(QStringLiteral("Page.handleJavaScriptDialog"),
            { { QStringLiteral("accept"), type == QLatin1String("beforeunload") } });
        emit dialogDismissed(type, str(params, "message"));
    } else if (is(method, "Page.downloadWillBegin")) {
        onBrowserEvent(QStringLiteral("Browser.downloadWillBegin"), params);
    } else if (is(method, "Fetch.requestPaused")) {
        onRequestPaused(params);
    } else if (is(method, "Fetch.authRequired")) {
        onAuthRequired(params);
    } else if (is(method, "Inspector.targetCrashed")) {
        markCrashed(qm::Error::make(qm::Error::Code::Crashed, QStringLiteral("the page's renderer crashed")));
    }
}

void Tab::onBrowserEvent(const QString& method, const QJsonObject& params)
{
    if (is(method, "Browser.downloadWillBegin")) {
        reportRefusedDownload(str(params, "url"));
        if (str(params, "frameId") == d->mainFrameId)
            endPageNavigation();
        if (d->nav.active && str(params, "frameId") == d->mainFrameId) {
            d->session->send(QStringLiteral("Page.stopLoading"));
            failNavigation(qm::Error::make(qm::Error::Code::Navigation,
                QStringLiteral("%1: the address is a download, and downloads are refused").arg(d->nav.url)));
        }
    } else if (is(method, "Target.targetCrashed")) {
        markCrashed(qm::Error::make(qm::Error::Code::Crashed, QStringLiteral("the page's renderer crashed")));
    } else if (is(method, "Target.popupClosed")) {
        emit popupClosed(str(params, "url"));
    }
}

void Tab::reportRefusedDownload(const QString& url)
{
    if (!d->refusedDownloads.contains(url)) {
        d->refusedDownloads.insert(url);
        emit downloadRefused(url);
    }
}

void Tab::completeTopLevel(const QString& loaderId)
{
    PageLoad load = d->documentResponses.value(loaderId);
    if (load.url.isEmpty())
        load.url = d->currentUrl;
    const bool ours = d->nav.active;
    QString url = d->currentUrl;
    if (ours && d->showingErrorPage)
        url = d->nav.url; // the browser's own page for an HTTP error, shown at the requested address
    if (ours)
        finishNavigation();
    d->lastLoad = load;
    emit statusTextChanged(QStringLiteral("Done"));
    emit documentComplete(url, true, load);
}

void Tab::endPageNavigation()
{
    if (!d->pageNavigating)
        return;
    d->pageNavigating = false;
    d->pageNavigationRequest.clear();
    emit pageNavigationEnded();
}

void Tab::finishNavigation()
{
    d->nav.active = false;
    d->navTimer.stop();
}

void Tab::failNavigation(const qm::Error& why)
{
    if (!d->nav.active)
        return;
    const QString url = d->nav.url;
    finishNavigation();
    emit statusTextChanged(QString());
    emit loadFailed(url, why);
}

void Tab::markCrashed(const qm::Error& why)
{
    if (d->crashed)
        return;
    d->crashed = true;
    QPointer<Tab> self(this);
    failNavigation(why);
    if (self)
        endPageNavigation();
    if (self)
        emit crashed(why);
}

} // namespace qm::cdp
