#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QSize>
#include <chrono>
#include <functional>
#include <memory>

#include "platform/Error.h"
#include "platform/cdp/FileAccess.h"
#include "platform/cdp/PageEmulation.h"
#include "platform/cdp/Snapshot.h"

namespace qm::cdp {

class Session;

// A browser tab as a capture host uses it. Results arrive through callbacks and signals on the event
// loop, never inside the call that asked for them. JavaScript dialogs are dismissed, downloads refused
// and pop-up windows closed, so none of them can stall a capture.
class Tab : public QObject
{
    Q_OBJECT
public:
    ~Tab() override;

    Session& session(); // raw protocol access (screencast and input for the mini browser)
    QString targetId() const;
    QString currentUrl() const;

    // Navigation ends in documentComplete(topLevel = true) or loadFailed; a page that does not
    // complete within the limit is stopped and fails with Timeout.
    void navigate(const QString& url, std::chrono::milliseconds limit = std::chrono::milliseconds(60000));
    void goBack();
    void goForward();
    void stopLoading();

    // Local files the pages of this tab may read (by default a local page's own folder only).
    void setFileAccess(const FileAccess& access);

    // Sets how the next pages are shown and what their requests carry, sending only what differs from
    // what the tab has now (nothing when nothing changes), so one page's controls never reach the next.
    // `done` runs once every change is in force.
    void emulate(const PageEmulation& wanted, std::function<void(qm::Result<void>)> done);
    // The size of the layout viewport; the device scale and the rest of the emulation stay.
    void setViewport(QSize cssPixels);
    QSize viewport() const;
    double deviceScale() const; // device pixels per CSS pixel: pictures have this many per page pixel

    void evaluate(const QString& expression, std::function<void(qm::Result<QJsonValue>)> done);
    void bodyHtml(std::function<void(qm::Result<QString>)> done); // the body's HTML for text output

    // Raw page actions the capture steps are built from (capture/ and capture/output/ hold those steps).
    void activate(std::function<void(qm::Result<void>)> done);

    void close();

    // Network requests of the page that have started and not yet finished.
    int requestsInFlight() const;
    bool isCrashed() const;
    // The page has sent itself to another document that has not loaded yet (pageNavigationEnded follows).
    bool pageNavigating() const;
    // The tab has a browser context (and so a window and renderers) of its own.
    bool hasOwnContext() const;
    // What the last completed top-level load reported.
    PageLoad lastLoad() const;
    // Protocol commands of this tab get this limit unless a caller passes its own.
    std::chrono::milliseconds commandLimit() const;

signals:
    // Every navigation that starts, frames included (the mini browser's address box follows them).
    void navigationStarted(const QString& url, bool topLevel);
    // A document finished loading: the top-level one, a frame's, or about:blank; hosts guard on these.
    void documentComplete(const QString& url, bool topLevel, const qm::cdp::PageLoad& load);
    void loadFailed(const QString& url, const qm::Error& why);
    void statusTextChanged(const QString& text); // loading state or a link's address, for status bars
    void popupClosed(const QString& url);
    void dialogDismissed(const QString& type, const QString& message);
    void downloadRefused(const QString& url);
    // The renderer crashed; the tab is unusable and the owner should open a new one.
    void crashed(const qm::Error& why);
    // The page's requests in flight dropped to none.
    void networkQuiet();
    // The navigation the page started loaded, failed or was dropped.
    void pageNavigationEnded();
    // The top-level page tried to go to a local file outside the folders it may read, and was stopped.
    void leftAllowedFiles(const QString& url);

protected:
    Tab(QObject* parent = nullptr);

private:
    friend class Browser;
    void setUp(std::function<void(qm::Result<void>)> done);
    void closeTarget();
    void onEvent(const QString& method, const QJsonObject& params);
    void onBrowserEvent(const QString& method, const QJsonObject& params);
    void finishNavigation();
    void goInHistory(int step);
    void reportRefusedDownload(const QString& url);
    void onRequestPaused(const QJsonObject& params);
    void onAuthRequired(const QJsonObject& params);
    bool interceptionChanged() const;
    QPair<QString, QJsonObject> interception(); // the Fetch command for what is to be intercepted now
    void completeTopLevel(const QString& loaderId);
    void failNavigation(const qm::Error& why);
    void markCrashed(const qm::Error& why);
    void endPageNavigation();
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace qm::cdp
