#pragma once

#include <QString>

#include "platform/Error.h"

namespace qm::cdp {

// Turns the browser's network error name (net::ERR_NAME_NOT_RESOLVED ...) into a reason a user reads.
qm::Error NavigationError(const QString& url, const QString& errorText);

// HTTP error statuses still show a page (the server's, or the browser's own), which is captured as shown.
bool IsHttpStatusError(const QString& errorText);

} // namespace qm::cdp
