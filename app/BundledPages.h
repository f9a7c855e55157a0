#pragma once

#include <QUrl>

namespace qm::app {

// The bundled pages that the help and web-page commands open; all of them work offline.
QUrl HelpPageUrl(); // help/index.html
QUrl HomePageUrl(); // web/home.html, also the mini browser's start page
QUrl SupportPageUrl(); // web/support.html

} // namespace qm::app
