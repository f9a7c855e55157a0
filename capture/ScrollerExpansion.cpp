#include "capture/ScrollerExpansion.h"

#include <QJsonArray>
#include <cmath>
#include <limits>

#include "capture/PageChangeRegistry.h"
#include "settings/SettingKeys.h"

namespace qm {

namespace {

constexpr int DefaultMaxHeight = 100000;

QString modeName(cdp::ScrollerExpansion mode)
{
    switch (mode) {
    case cdp::ScrollerExpansion::None:
        return QStringLiteral("none");
    case cdp::ScrollerExpansion::All:
        return QStringLiteral("all");
    case cdp::ScrollerExpansion::Page:
        break;
    }
    return QStringLiteral("page");
}

} // namespace

QString ExpandScrollersScript(cdp::ScrollerExpansion mode, bool unnoticed)
{
    return PageChangeCall(QStringLiteral(":/capture/ExpandScrollers.js"),
        { { QStringLiteral("mode"), modeName(mode) }, { QStringLiteral("unnoticed"), unnoticed } });
}

ScrollerExpansionDone ReadScrollerExpansionDone(const QJsonObject& reply)
{
    const QJsonObject value = reply.value(QLatin1String("result")).toObject().value(QLatin1String("value")).toObject();
    ScrollerExpansionDone done;
    done.changed = value.value(QLatin1String("changed")).toInt();
    for (const QJsonValue height : value.value(QLatin1String("lists")).toArray())
        done.notes.append(QStringLiteral("a virtual list kept at %1 px").arg(qint64(std::lround(height.toDouble()))));
    return done;
}

std::optional<cdp::ScrollerExpansion> ScrollerExpansionFromText(const QString& text)
{
    const QString name = text.trimmed().toLower();
    if (name == QLatin1String("page"))
        return cdp::ScrollerExpansion::Page;
    if (name == QLatin1String("all"))
        return cdp::ScrollerExpansion::All;
    if (name == QLatin1String("none"))
        return cdp::ScrollerExpansion::None;
    return std::nullopt;
}

cdp::ScrollerExpansion ReadScrollerExpansion(const SettingsSource& settings)
{
    return ScrollerExpansionFromText(ReadText(settings, keys::ExpandScrollers)).value_or(cdp::ScrollerExpansion::Page);
}

int ReadMaxCaptureHeight(const SettingsSource& settings)
{
    const double number = ReadNumber(settings, keys::MaxHeight);
    if (!(number >= 1))
        return DefaultMaxHeight;
    return number >= double(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max() : int(number);
}

} // namespace qm
