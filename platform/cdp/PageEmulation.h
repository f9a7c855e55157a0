#pragma once

#include <QList>
#include <QPair>
#include <QSize>
#include <QString>
#include <QStringList>

namespace qm::cdp {

// One cookie as a cookies file holds it.
struct Cookie
{
    QString domain; // the host, or the domain it and its subdomains share
    bool subdomains = false; // sent to the domain's subdomains too
    QString path = QStringLiteral("/");
    bool secure = false;
    bool httpOnly = false;
    qint64 expires = 0; // seconds since 1970; 0: ends with the session
    QString name;
    QString value;

    bool operator==(const Cookie&) const = default;
};

// How a tab shows the pages it loads next and what their requests carry. Every field at its default
// leaves the browser as it is on its own (at the given viewport).
struct PageEmulation
{
    QSize viewport { 1280, 800 }; // CSS pixels
    double scale = 1; // device pixels per CSS pixel
    bool mobile = false; // touch events and a mobile layout viewport
    QString userAgent; // empty: the browser's own
    QList<QPair<QString, QString>> headers; // sent with every request
    QList<Cookie> cookies;
    QString colorScheme; // "light", "dark" or empty
    bool reducedMotion = false;
    QStringList blocked; // address patterns ('*' for any text) that are never requested
    QString authUser; // answers the server's HTTP authentication challenges; empty: none
    QString authPassword;

    bool operator==(const PageEmulation&) const = default;
};

} // namespace qm::cdp
