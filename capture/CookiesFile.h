#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "platform/Error.h"
#include "platform/cdp/PageEmulation.h"

namespace qm {

// A Netscape cookies file, the form curl and wget read and write: one cookie a line, seven fields
// separated by tabs (domain, subdomains TRUE/FALSE, path, secure TRUE/FALSE, expiry in seconds since
// 1970 or 0, name, value). "#HttpOnly_" before the domain marks an HTTP-only cookie; other lines that
// start with '#' and blank lines are skipped, and so are cookies that expired before `now`. A line
// that is not a cookie (or one a Cookie header cannot carry: ';' or a control character in its name or
// value, '=' in its name) fails, naming the file and the line.
Result<QList<cdp::Cookie>> ParseCookiesFile(const QByteArray& text, const QString& path, qint64 now);
Result<QList<cdp::Cookie>> ReadCookiesFile(const QString& path, qint64 now);

} // namespace qm
