#include "platform/cdp/Browser.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTimer>
#include <optional>

#include "platform/VerboseLog.h"
#include "platform/cdp/BrowserProcess.h"
#include "platform/cdp/Connection.h"
#include "platform/cdp/PipeTransport.h"
#include "platform/cdp/Session.h"
#include "platform/cdp/TabPrivate.h"
#include "platform/cdp/WebSocketTransport.h"

namespace qm::cdp {

using Done = std::function<void(qm::Result<void>)>;

BrowserOptions BrowserOptions::named(const QString& browser)
{
    BrowserOptions options;
    if (browser.contains(QLatin1String("://")))
        options.endpoint = browser;
    else
        options.executable = browser;
    return options;
}

struct Browser::Private
{
    BrowserOptions options;
    BrowserProcess* process = nullptr;
    QPointer<Connection> connection;
    QString version;
    bool starting = false;
    std::optional<QString> lastExit; // how the local browser ended last, in the user's words
    std::vector<Done> waitingForStart;
};

Browser::Browser(BrowserOptions options, QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->options = std::move(options);
}

Browser::~Browser()
{
    for (Tab* tab : findChildren<Tab*>(Qt::FindDirectChildrenOnly))
        delete tab;
    const bool asked = d->process && d->connection && d->connection->isOpen();
    if (d->connection) {
        d->connection->disconnect(this);
        if (asked)
            d->connection->send({}, QStringLiteral("Browser.close"), {}, {}, d->options.commandLimit);
        delete d->connection; // closes the pipe too, which a local browser takes as the end
    }
    if (d->process) {
        d->process->stop(asked); // ends the process group and removes the profile folder
        delete d->process;
    }
}

qm::Result<QString> Browser::findExecutable(const QString& configured)
{
    if (!configured.isEmpty()) {
        const QFileInfo file(configured);
        if (file.isFile() && file.isExecutable())
            return file.absoluteFilePath();
        const QString onPath = QStandardPaths::findExecutable(configured);
        if (!onPath.isEmpty())
            return onPath;
        return qm::fail(qm::Error::Code::NotFound,
            QStringLiteral("The browser \"%1\" was not found or cannot be run. Install Chromium (Debian package "
                           "\"chromium\") or set the browser's path.")
                .arg(configured));
    }
    // The headless shell first: the same engine without a window system, and a fifth less CPU a page.
    for (const char* name : { "chromium-headless-shell", "chromium", "chromium-browser", "google-chrome" }) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return qm::fail(qm::Error::Code::NotFound,
        QStringLiteral("No Chromium browser was found (looked for chromium-headless-shell, chromium, "
                       "chromium-browser and google-chrome on PATH). Install the Debian package "
                       "\"chromium-headless-shell\" or \"chromium\"."));
}

bool Browser::isConnected() const
{
    return d->connection && d->connection->isOpen() && !d->starting;
}

QString Browser::version() const
{
    return d->version;
}

qint64 Browser::processId() const
{
    return d->process && d->process->isRunning() ? d->process->pid() : 0;
}

Connection* Browser::connection() const
{
    return d->connection;
}

void Browser::start(Done done)
{
    if (isConnected()) {
        QTimer::singleShot(0, this, [done = std::move(done)] { done({}); });
        return;
    }
    d->waitingForStart.push_back(std::move(done));
    if (d->starting)
        return;
    d->starting = true;
    d->version.clear();
    if (!d->options.endpoint.isEmpty())
        connectToRunning();
    else
        launch();
}

void Browser::finishStart(qm::Result<void> result)
{
    d->starting = false;
    if (!result && d->connection)
        d->connection->close(result.error());
    for (auto& callback : std::exchange(d->waitingForStart, {}))
        callback(result);
}

void Browser::finishStartLater(const qm::Error& error)
{
    QTimer::singleShot(0, this, [this, error] { finishStart(std::unexpected(error)); });
}

void Browser::connectToRunning()
{
    auto* transport = new WebSocketTransport(this);
    transport->open(d->options.endpoint, d->options.startLimit, [this, transport](qm::Result<void> r) {
        if (!r) {
            transport->deleteLater();
            finishStart(std::unexpected(r.error()));
            return;
        }
        handshake(transport);
    });
}

void Browser::launch()
{
    const auto executable = findExecutable(d->options.executable);
    if (!executable)
        return finishStartLater(executable.error());
    if (!d->process) {
        d->process = new BrowserProcess(this);
        connect(d->process, &BrowserProcess::exited, this, [this](const qm::Error& why) {
            d->lastExit = why.message;
            if (d->connection)
                d->connection->close(why);
        });
    }
    const auto transport = d->process->start(*executable, d->options.extraArguments);
    if (!transport)
        return finishStartLater(transport.error());
    // The pipe closes as the browser dies. Its exit, which says how it ended, is awaited briefly so
    // that the pages in it fail with that rather than with the closed pipe. Connected before the
    // connection's own handler, so it runs first.
    connect(*transport, &Transport::closed, this, [process = QPointer<BrowserProcess>(d->process)] {
        if (process)
            process->awaitExit(std::chrono::milliseconds(1000));
    });
    handshake(*transport);
}

void Browser::handshake(Transport* transport)
{
    if (d->connection)
        d->connection->deleteLater();
    d->connection = new Connection(transport, this);
    connect(d->connection, &Connection::event, this, &Browser::onBrowserEvent);
    connect(d->connection, &Connection::closed, this, [this](const qm::Error& why) {
        if (!d->starting)
            emit disconnected(why);
    });
    d->connection->send(
        {}, QStringLiteral("Browser.getVersion"), {},
        [this](qm::Result<QJsonObject> r) {
            if (!r)
                return finishStart(std::unexpected(notStarted(r.error())));
            d->version = r->value(QLatin1String("product")).toString();
            d->connection->send({}, QStringLiteral("Target.setDiscoverTargets"),
                { { QStringLiteral("discover"), true } }, {}, d->options.commandLimit);
            d->connection->send(
                {}, QStringLiteral("Browser.setDownloadBehavior"),
                { { QStringLiteral("behavior"), QStringLiteral("deny") }, { QStringLiteral("eventsEnabled"), true } },
                [this](qm::Result<QJsonObject> r) {
                    if (r)
                        finishStart({});
                    else
                        finishStart(std::unexpected(r.error()));
                },
                d->options.commandLimit);
        },
        d->options.startLimit);
}

qm::Error Browser::notStarted(const qm::Error& answer) const
{
    VerboseLog(QStringLiteral("the browser did not start: %1").arg(answer.message));
    if (d->process)
        VerboseLog(QStringLiteral("the browser's output: %1")
                       .arg(QString::fromLocal8Bit(d->process->errorOutput()).trimmed()));
    const QString why = answer.code == qm::Error::Code::Timeout
        ? QStringLiteral("it did not answer within %1 s").arg(d->options.startLimit.count() / 1000.0)
        : d->lastExit.value_or(QStringLiteral("it closed its connection at once"));
    return qm::Error::make(qm::Error::Code::BrowserGone, QStringLiteral("The browser did not start: %1").arg(why));
}

void Browser::newTab(std::function<void(qm::Result<Tab*>)> done)
{
    if (!isConnected()) {
        // A browser that died (or never started) is started on demand.
        start([this, done = std::move(done)](qm::Result<void> r) mutable {
            if (!r) {
                done(std::unexpected(r.error()));
                return;
            }
            newTab(std::move(done));
        });
        return;
    }
    // Each tab gets a browser context of its own: its renderers are never shared with another tab's,
    // so a page that hangs or crashes its renderer cannot take the next page with it. A browser that
    // offers no contexts (some remote ones) gets plain tabs.
    QPointer<Connection> connection = d->connection;
    connection->send(
        {}, QStringLiteral("Target.createBrowserContext"), { { QStringLiteral("disposeOnDetach"), true } },
        [this, connection, done = std::move(done)](qm::Result<QJsonObject> r) mutable {
            if (!connection) {
                done(qm::fail(qm::Error::Code::BrowserGone, QStringLiteral("the browser went away")));
                return;
            }
            if (!r)
                VerboseLog(QStringLiteral("no browser context for a new tab: %1").arg(r.error().message));
            openTarget(r ? r->value(QLatin1String("browserContextId")).toString() : QString(), std::move(done));
        },
        d->options.commandLimit);
}

void Browser::openTarget(const QString& contextId, std::function<void(qm::Result<Tab*>)> done)
{
    QPointer<Connection> connection = d->connection;
    const auto limit = d->options.commandLimit;
    QJsonObject params { { QStringLiteral("url"), QStringLiteral("about:blank") } };
    if (!contextId.isEmpty())
        params.insert(QStringLiteral("browserContextId"), contextId);
    auto disposeContext = [connection, contextId, limit] {
        if (connection && !contextId.isEmpty())
            connection->send({}, QStringLiteral("Target.disposeBrowserContext"),
                { { QStringLiteral("browserContextId"), contextId } }, {}, limit);
    };
    connection->send(
        {}, QStringLiteral("Target.createTarget"), params,
        [this, connection, limit, contextId, disposeContext, done = std::move(done)](
            qm::Result<QJsonObject> r) mutable {
            if (!r || !connection) {
                disposeContext();
                done(std::unexpected(r
                        ? qm::Error::make(qm::Error::Code::BrowserGone, QStringLiteral("the browser went away"))
                        : r.error()));
                return;
            }
            const QString targetId = r->value(QLatin1String("targetId")).toString();
            connection->send(
                {}, QStringLiteral("Target.attachToTarget"),
                { { QStringLiteral("targetId"), targetId }, { QStringLiteral("flatten"), true } },
                [this, connection, targetId, contextId, limit, disposeContext, done = std::move(done)](
                    qm::Result<QJsonObject> r) mutable {
                    if (!r || !connection) {
                        disposeContext();
                        done(std::unexpected(r
                                ? qm::Error::make(qm::Error::Code::BrowserGone, QStringLiteral("the browser went away"))
                                : r.error()));
                        return;
                    }
                    auto* tab = new Tab(this);
                    tab->d->connection = connection;
                    tab->d->targetId = targetId;
                    tab->d->browserContextId = contextId;
                    tab->d->mainFrameId = targetId;
                    tab->d->commandLimit = limit;
                    tab->d->session = new Session(*connection, r->value(QLatin1String("sessionId")).toString(), tab);
                    QPointer<Tab> guard(tab);
                    tab->setUp([guard, done = std::move(done)](qm::Result<void> r) {
                        if (!guard) {
                            done(qm::fail(
                                qm::Error::Code::BrowserGone, QStringLiteral("the tab went away while it was set up")));
                            return;
                        }
                        if (!r) {
                            guard->close();
                            guard->deleteLater();
                            done(std::unexpected(r.error()));
                            return;
                        }
                        done(guard.data());
                    });
                },
                limit);
        },
        limit);
}

void Browser::onBrowserEvent(const QString& method, const QJsonObject& params)
{
    const auto tabs = findChildren<Tab*>(Qt::FindDirectChildrenOnly);
    auto tabWithTarget = [&tabs](const QString& targetId) -> Tab* {
        for (Tab* tab : tabs) {
            if (tab->targetId() == targetId)
                return tab;
        }
        return nullptr;
    };
    if (method == QLatin1String("Target.targetCreated")) {
        // Pop-up windows are closed at once; their opener hears of it.
        const QJsonObject info = params.value(QLatin1String("targetInfo")).toObject();
        const QString opener = info.value(QLatin1String("openerId")).toString();
        const QString targetId = info.value(QLatin1String("targetId")).toString();
        if (opener.isEmpty() || info.value(QLatin1String("type")).toString() != QLatin1String("page")
            || tabWithTarget(targetId))
            return;
        d->connection->send({}, QStringLiteral("Target.closeTarget"), { { QStringLiteral("targetId"), targetId } }, {},
            d->options.commandLimit);
        if (Tab* tab = tabWithTarget(opener))
            tab->onBrowserEvent(
                QStringLiteral("Target.popupClosed"), { { QStringLiteral("url"), info.value(QLatin1String("url")) } });
    } else if (method == QLatin1String("Target.targetCrashed")) {
        if (Tab* tab = tabWithTarget(params.value(QLatin1String("targetId")).toString()))
            tab->onBrowserEvent(method, params);
    } else if (method == QLatin1String("Browser.downloadWillBegin")) {
        const QString frameId = params.value(QLatin1String("frameId")).toString();
        for (Tab* tab : tabs) {
            if (tab->d->frameUrls.contains(frameId) || tab->d->mainFrameId == frameId) {
                tab->onBrowserEvent(method, params);
                break;
            }
        }
    }
}

} // namespace qm::cdp
