#include "run/BrowserPool.h"

#include <QDir>
#include <QStandardPaths>
#include <algorithm>

#include "capture/EnginePool.h"
#include "platform/cdp/Browser.h"
#include "settings/SettingKeys.h"

namespace qm::run {

Result<std::unique_ptr<EnginePool>> MakeBrowserPool(const BrowserNeeds& needs)
{
    QStringList browsers = needs.given;
    if (browsers.isEmpty()) {
        auto executable = cdp::Browser::findExecutable();
        if (!executable)
            return std::unexpected(executable.error());
        qsizetype count = needs.picturesEach ? std::max(needs.pagesAtOnce, 1) : 1;
        if (needs.pages)
            count = std::clamp<qsizetype>(*needs.pages, 1, count);
        browsers = QStringList(count, *executable);
    }
    QList<cdp::BrowserOptions> options;
    for (const QString& browser : std::as_const(browsers))
        options.append(cdp::BrowserOptions::named(browser));
    return std::make_unique<EnginePool>(options);
}

int PagesAtOnce(std::optional<int> asked, int setting, qsizetype browsersGiven)
{
    if (asked)
        return *asked;
    return std::max(setting, int(std::min<qsizetype>(browsersGiven, MostJobs)));
}

QString BrowserArgument(const QString& value, const QString& workingFolder)
{
    static const char* const remote[] = { "ws://", "wss://", "http://", "https://" };
    for (const char* scheme : remote) {
        if (value.startsWith(QLatin1String(scheme)))
            return value;
    }
    const QString onPath = value.contains(u'/') ? QString() : QStandardPaths::findExecutable(value);
    return !onPath.isEmpty() ? onPath : QDir::cleanPath(QDir(workingFolder).absoluteFilePath(value));
}

} // namespace qm::run
