#pragma once

#include <QString>

namespace qm {

class SettingsSource;

// "HTTP 404 Not Found": the server's reason phrase, or the standard one when the server sent none
// (HTTP/2 never does). Empty for status 0 (file: and data: pages).
QString HttpStatusLine(int status, const QString& serverText);

// A status of 400 or above is an error page: by default the page fails with the status as its reason;
// with "httperrors" on, the error page is converted like any other.
bool IsHttpError(int status);
bool CapturesHttpErrors(const SettingsSource& settings);

} // namespace qm
