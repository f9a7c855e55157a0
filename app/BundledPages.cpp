#include "app/BundledPages.h"

#include "platform/AppHome.h"

namespace qm::app {

QUrl HelpPageUrl()
{
    return QUrl::fromLocalFile(AppHome::shareFile(QStringLiteral("help/index.html")));
}

QUrl HomePageUrl()
{
    return QUrl::fromLocalFile(AppHome::shareFile(QStringLiteral("web/home.html")));
}

QUrl SupportPageUrl()
{
    return QUrl::fromLocalFile(AppHome::shareFile(QStringLiteral("web/support.html")));
}

} // namespace qm::app
