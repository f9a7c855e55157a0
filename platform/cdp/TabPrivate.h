#pragma once

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QSize>
#include <QString>
#include <QTimer>
#include <chrono>

#include "platform/cdp/Connection.h"
#include "platform/cdp/FileAccess.h"
#include "platform/cdp/PageEmulation.h"
#include "platform/cdp/Session.h"
#include "platform/cdp/Snapshot.h"
#include "platform/cdp/Tab.h"

namespace qm::cdp {

struct Tab::Private
{
    struct Navigation
    {
        bool active = false;
        QString url;
        QString loaderId; // from Page.navigate's answer
        QString committedLoader; // main-frame commit seen while this navigation runs
        bool answered = false;
        bool download = false; // the main response is one the browser would save
        QSet<QString> loadsBeforeAnswer;
        quint64 serial = 0;
    };

    QPointer<Connection> connection;
    Session* session = nullptr;
    QString targetId;
    QString browserContextId; // empty: the browser's default context
    QString mainFrameId;
    QSize viewport { 1280, 800 };
    std::chrono::milliseconds commandLimit { 30000 };

    QString currentUrl = QStringLiteral("about:blank");
    QString mainLoaderId;
    bool showingErrorPage = false;
    // A top-level navigation the page itself asked for (a script, a refresh, a link) is under way; the
    // id of its document request once that has started.
    bool pageNavigating = false;
    QString pageNavigationRequest;
    QHash<QString, QString> frameUrls;
    QHash<QString, PageLoad> documentResponses; // by loader id
    QSet<QString> requestsInFlight;
    QSet<QString> refusedDownloads; // reported once each; the browser tells of one download several ways
    PageLoad lastLoad;
    FileAccess fileAccess;
    QString accessPage; // the address last sent to navigate(): whose folder local files are read from
    PageEmulation emulation; // what the browser has been told; its viewport is kept equal to `viewport`
    bool touch = false;
    // What Fetch intercepts now: local files (for the access check) and authentication challenges.
    bool interceptsFiles = true;
    bool interceptsAuth = false;
    QSet<QString> answeredChallenges; // origin and realm, answered once per page

    Navigation nav;
    QTimer navTimer;
    bool crashed = false;
    bool closed = false;
};

} // namespace qm::cdp
