#pragma once

#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>

#include "platform/Error.h"

namespace qm::cdp {

class Connection;
class Tab;
class Transport;

struct BrowserOptions
{
    QString executable; // local Chromium; empty: the PATH is searched
    QString endpoint; // remote browser (ws://host:port/devtools/browser/<id> or http://host:port); empty: local
    QStringList extraArguments;
    std::chrono::milliseconds startLimit { 30000 };
    std::chrono::milliseconds commandLimit { 30000 };

    // What a user names a browser by: a ws:// or http:// endpoint, else a Chromium executable.
    static BrowserOptions named(const QString& browser);
};

// One browser: a Chromium this program starts (pipe transport, private profile removed at the end) or
// a remote one reached over a WebSocket. A local browser that dies is started again on the next newTab.
class Browser : public QObject
{
    Q_OBJECT
public:
    explicit Browser(BrowserOptions options, QObject* parent = nullptr);
    ~Browser() override; // ends the process after a short grace period, removes the profile folder

    // The Chromium executable: the configured one, else chromium-headless-shell, chromium, chromium-browser,
    // google-chrome on PATH. The error names what to install.
    static qm::Result<QString> findExecutable(const QString& configured = {});

    void start(std::function<void(qm::Result<void>)> done);
    bool isConnected() const;
    QString version() const; // product string from Browser.getVersion
    qint64 processId() const; // the local browser's process id; 0 for a remote one or when not running

    // A new tab with its own flattened session and browser context, viewport 1280 x 800 CSS px unless
    // set otherwise. The tab is a child of the browser.
    void newTab(std::function<void(qm::Result<Tab*>)> done);

    Connection* connection() const;

signals:
    void disconnected(const qm::Error& why);

private:
    void openTarget(const QString& contextId, std::function<void(qm::Result<Tab*>)> done);
    void onBrowserEvent(const QString& method, const QJsonObject& params);
    // Starting: a running browser is reached by its address, else one is launched; either way the
    // handshake ends the start for everyone waiting on it.
    void connectToRunning();
    void launch();
    void handshake(Transport* transport);
    void finishStart(qm::Result<void> result);
    void finishStartLater(const qm::Error& error);
    qm::Error notStarted(const qm::Error& answer) const;

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace qm::cdp
