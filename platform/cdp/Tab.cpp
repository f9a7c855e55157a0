#include "platform/cdp/Tab.h"

#include <QJsonArray>
#include <QJsonDocument>

#include "platform/cdp/EmulationCommands.h"
#include "platform/cdp/NavigationError.h"
#include "platform/cdp/PageTracker.h"
#include "platform/cdp/TabPrivate.h"

namespace qm::cdp {

using namespace std::chrono;

namespace {

QString str(const QJsonObject& o, const char* key)
{
    return o.value(QLatin1String(key)).toString();
}

QString seconds(milliseconds limit)
{
    return QString::number(limit.count() / 1000.0, 'g', 6);
}

} // namespace

Tab::Tab(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->navTimer.setSingleShot(true);
}

Tab::~Tab()
{
    if (!d->closed)
        closeTarget();
}

void Tab::closeTarget()
{
    if (!d->connection || !d->connection->isOpen())
        return;
    // Disposing the tab's own context closes the tab and ends its renderers, even one that hangs.
    if (!d->browserContextId.isEmpty())
        d->connection->send({}, QStringLiteral("Target.disposeBrowserContext"),
            { { QStringLiteral("browserContextId"), d->browserContextId } }, {}, d->commandLimit);
    else
        d->connection->send({}, QStringLiteral("Target.closeTarget"), { { QStringLiteral("targetId"), d->targetId } },
            {}, d->commandLimit);
}

Session& Tab::session()
{
    return *d->session;
}

QString Tab::targetId() const
{
    return d->targetId;
}

QString Tab::currentUrl() const
{
    return d->currentUrl;
}

QSize Tab::viewport() const
{
    return d->viewport;
}

int Tab::requestsInFlight() const
{
    return int(d->requestsInFlight.size());
}

bool Tab::pageNavigating() const
{
    return d->pageNavigating;
}

bool Tab::isCrashed() const
{
    return d->crashed;
}

bool Tab::hasOwnContext() const
{
    return !d->browserContextId.isEmpty();
}

PageLoad Tab::lastLoad() const
{
    return d->lastLoad;
}

milliseconds Tab::commandLimit() const
{
    return d->commandLimit;
}

void Tab::setUp(std::function<void(qm::Result<void>)> done)
{
    connect(d->session, &Session::event, this, &Tab::onEvent);
    connect(d->session, &Session::detached, this, [this](const qm::Error& why) {
        if (!d->closed)
            markCrashed(why);
    });
    connect(&d->navTimer, &QTimer::timeout, this, [this] {
        d->session->send(QStringLiteral("Page.stopLoading"));
        failNavigation(qm::Error::make(qm::Error::Code::Timeout,
            QStringLiteral("%1: the page did not finish loading within %2 s")
                .arg(d->nav.url, seconds(d->navTimer.intervalAsDuration()))));
    });

    d->emulation.viewport = d->viewport;
    const QList<QPair<QString, QJsonObject>> steps {
        { QStringLiteral("Page.enable"), {} },
        { QStringLiteral("Page.setLifecycleEventsEnabled"), { { QStringLiteral("enabled"), true } } },
        { QStringLiteral("Page.addScriptToEvaluateOnNewDocument"),
            { { QStringLiteral("source"), PageTrackerScript() } } },
        { QStringLiteral("Network.enable"),
            { { QStringLiteral("maxTotalBufferSize"), 1 << 20 },
                { QStringLiteral("maxResourceBufferSize"), 1 << 18 } } },
        { QStringLiteral("Inspector.enable"), {} },
        { QStringLiteral("Fetch.enable"), InterceptionParams(true, false) },
        { QStringLiteral("Emulation.setDeviceMetricsOverride"), DeviceMetrics(d->emulation) },
        { QStringLiteral("Emulation.setScrollbarsHidden"), { { QStringLiteral("hidden"), true } } },
        { QStringLiteral("Page.getFrameTree"), {} },
    };
    // All set-up commands go out at once; the first failure decides, the last answer finishes.
    auto remaining = std::make_shared<int>(int(steps.size()));
    auto failed = std::make_shared<bool>(false);
    auto callback = std::make_shared<std::function<void(qm::Result<void>)>>(std::move(done));
    QPointer<Tab> self(this);
    for (const auto& [method, params] : steps) {
        const bool frameTree = method == QLatin1String("Page.getFrameTree");
        d->session->send(
            method, params,
            [self, remaining, failed, callback, frameTree](qm::Result<QJsonObject> r) {
                if (*failed)
                    return;
                if (!self) {
                    *failed = true;
                    return;
                }
                if (!r) {
                    *failed = true;
                    (*callback)(std::unexpected(r.error()));
                    return;
                }
                if (frameTree) {
                    const QJsonObject frame
                        = r->value(QLatin1String("frameTree")).toObject().value(QLatin1String("frame")).toObject();
                    self->d->mainFrameId = str(frame, "id");
                    self->d->mainLoaderId = str(frame, "loaderId");
                    self->d->frameUrls.insert(self->d->mainFrameId, str(frame, "url"));
                }
                if (--*remaining == 0)
                    (*callback)({});
            },
            d->commandLimit);
    }
}

void Tab::navigate(const QString& url, milliseconds limit)
{
    auto& nav = d->nav;
    nav = Private::Navigation { .active = true, .url = url, .serial = nav.serial + 1 };
    d->accessPage = url;
    d->pageNavigating = false; // whatever the page before was going to, this address replaces it
    d->pageNavigationRequest.clear();
    d->documentResponses.clear();
    d->requestsInFlight.clear();
    d->refusedDownloads.clear();
    d->answeredChallenges.clear();
    d->navTimer.start(limit);
    emit statusTextChanged(QStringLiteral("Loading %1").arg(url));
    if (d->crashed) {
        QTimer::singleShot(0, this, [this, serial = nav.serial] {
            if (d->nav.active && d->nav.serial == serial)
                failNavigation(qm::Error::make(
                    qm::Error::Code::Crashed, QStringLiteral("%1: the tab has crashed").arg(d->nav.url)));
        });
        return;
    }
    QPointer<Tab> self(this);
    d->session->send(
        QStringLiteral("Page.navigate"), { { QStringLiteral("url"), url } },
        [self, serial = nav.serial](qm::Result<QJsonObject> r) {
            if (!self || !self->d->nav.active || self->d->nav.serial != serial)
                return;
            auto& nav = self->d->nav;
            if (!r) {
                self->failNavigation(r.error());
                return;
            }
            const QString errorText = str(*r, "errorText");
            if (!errorText.isEmpty() && nav.download) {
                const QString url = nav.url;
                self->failNavigation(qm::Error::make(qm::Error::Code::Navigation,
                    QStringLiteral("%1: the address is a download, and downloads are refused").arg(url)));
                if (self)
                    self->reportRefusedDownload(url);
                return;
            }
            if (!errorText.isEmpty() && !IsHttpStatusError(errorText)) {
                self->failNavigation(NavigationError(nav.url, errorText));
                return;
            }
            nav.answered = true;
            nav.loaderId = str(*r, "loaderId");
            if (nav.loaderId.isEmpty()) {
                // Same-document navigation (a fragment): the document is already complete.
                self->completeTopLevel(self->d->mainLoaderId);
                return;
            }
            if (nav.loadsBeforeAnswer.contains(nav.loaderId))
                self->completeTopLevel(nav.loaderId);
        },
        // The navigation's own timer ends it at the limit with the page's reason; the command's limit
        // only backs that up, so it never wins the race under load.
        limit + 5s);
}

void Tab::goBack()
{
    goInHistory(-1);
}

void Tab::goForward()
{
    goInHistory(+1);
}

void Tab::goInHistory(int step)
{
    QPointer<Tab> self(this);
    d->session->send(QStringLiteral("Page.getNavigationHistory"), {}, [self, step](qm::Result<QJsonObject> r) {
        if (!self || !r)
            return;
        const int index = r->value(QLatin1String("currentIndex")).toInt() + step;
        const QJsonArray entries = r->value(QLatin1String("entries")).toArray();
        if (index < 0 || index >= entries.size())
            return;
        const QJsonObject entry = entries.at(index).toObject();
        // The user chose this page as they choose an address: its own folder is the one it reads.
        self->d->accessPage = str(entry, "url");
        self->d->session->send(QStringLiteral("Page.navigateToHistoryEntry"),
            { { QStringLiteral("entryId"), entry.value(QLatin1String("id")) } });
    });
}

void Tab::stopLoading()
{
    d->session->send(QStringLiteral("Page.stopLoading"));
    if (d->nav.active)
        failNavigation(
            qm::Error::make(qm::Error::Code::Cancelled, QStringLiteral("%1: loading was stopped").arg(d->nav.url)));
}

void Tab::setFileAccess(const FileAccess& access)
{
    d->fileAccess = access;
    if (interceptionChanged()) {
        const auto [method, params] = interception();
        d->session->send(method, params);
    }
}

void Tab::setViewport(QSize cssPixels)
{
    d->viewport = cssPixels;
    d->emulation.viewport = cssPixels;
    d->session->send(QStringLiteral("Emulation.setDeviceMetricsOverride"), DeviceMetrics(d->emulation));
}

double Tab::deviceScale() const
{
    return d->emulation.scale;
}

void Tab::evaluate(const QString& expression, std::function<void(qm::Result<QJsonValue>)> done)
{
    d->session->send(
        QStringLiteral("Runtime.evaluate"),
        { { QStringLiteral("expression"), expression }, { QStringLiteral("returnByValue"), true },
            { QStringLiteral("awaitPromise"), true } },
        [done = std::move(done)](qm::Result<QJsonObject> r) {
            if (!r) {
                done(std::unexpected(r.error()));
                return;
            }
            const QJsonObject exception = r->value(QLatin1String("exceptionDetails")).toObject();
            if (!exception.isEmpty()) {
                QString text = exception.value(QLatin1String("exception"))
                                   .toObject()
                                   .value(QLatin1String("description"))
                                   .toString();
                if (text.isEmpty())
                    text = str(exception, "text");
                done(qm::fail(qm::Error::Code::Protocol, QStringLiteral("The page's script failed: %1").arg(text)));
                return;
            }
            done(r->value(QLatin1String("result")).toObject().value(QLatin1String("value")));
        },
        d->commandLimit);
}

void Tab::bodyHtml(std::function<void(qm::Result<QString>)> done)
{
    // Documents without a body (SVG, XML) still give the converter a <body> to start from.
    evaluate(
        QStringLiteral("document.body ? document.body.outerHTML : "
                       "'<body>' + (document.documentElement ? document.documentElement.outerHTML : '') + '</body>'"),
        [done = std::move(done)](qm::Result<QJsonValue> r) {
            if (!r)
                done(std::unexpected(r.error()));
            else
                done(r->toString());
        });
}

void Tab::activate(std::function<void(qm::Result<void>)> done)
{
    d->session->send(
        QStringLiteral("Page.bringToFront"), {},
        [done = std::move(done)](qm::Result<QJsonObject> r) {
            if (!done)
                return;
            if (r)
                done({});
            else
                done(std::unexpected(r.error()));
        },
        d->commandLimit);
}

void Tab::close()
{
    if (d->closed)
        return;
    d->closed = true;
    d->navTimer.stop();
    d->nav.active = false;
    closeTarget();
    d->session->detach(qm::Error::make(qm::Error::Code::Cancelled, QStringLiteral("the tab was closed")));
}

} // namespace qm::cdp
