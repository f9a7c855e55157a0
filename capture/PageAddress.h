#pragma once

#include <QString>

#include "platform/Error.h"

namespace qm {

// What the engine is asked to load for an address a user gave. Web (http, https), file: and data:
// addresses pass unchanged; an absolute path, a "~/" path or, given a working folder, a relative path
// becomes a file:// address; a bare host ("www.example.com/a") gets "http://", as in a browser's
// address bar. Anything else (javascript:, about:, mailto: ..., a web address without a valid host) is
// not a page and fails with the reason.
// Lists and the schedule keep what the user typed; only what the engine loads is rewritten.
Result<QString> NormalisedAddress(const QString& text, const QString& workingFolder = {});

// NormalisedAddress, and a file: address must name a file that exists ("file not found: PATH").
Result<QString> PageAddress(const QString& text, const QString& workingFolder = {});

} // namespace qm
