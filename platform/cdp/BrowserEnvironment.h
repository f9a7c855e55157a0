#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace qm::cdp {

// The environment a local browser starts with: only what it needs from ours (locale, time zone, home,
// user, search path, runtime and font settings, the display, proxies), never the rest, so passwords
// such as QUILLMARK_AUTH and REDISCLI_AUTH stay out of its processes. Its temporary files and the crash
// reporter's folder are put under `profile`, so nothing of it is written outside the profile.
QProcessEnvironment BrowserEnvironment(const QProcessEnvironment& ours, const QString& profile);

} // namespace qm::cdp
