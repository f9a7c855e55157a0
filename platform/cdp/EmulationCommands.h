#pragma once

#include <QJsonArray>
#include <QJsonObject>

#include "platform/cdp/PageEmulation.h"

namespace qm::cdp {

// The protocol's parameters for what a tab emulates.
QJsonObject DeviceMetrics(const PageEmulation& emulation);
QJsonObject TouchParams(bool enabled);
QJsonObject MediaParams(const PageEmulation& emulation);
QJsonObject HeaderParams(const PageEmulation& emulation);
QJsonArray CookieParams(const QList<Cookie>& cookies);
QJsonObject BlockParams(const PageEmulation& emulation);
// Fetch.enable's: local files paused for the access check; with authentication, every request (the
// browser asks for credentials only for requests it pauses).
QJsonObject InterceptionParams(bool files, bool auth);

} // namespace qm::cdp
