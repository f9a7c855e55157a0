#include "capture/PageChangeRegistry.h"

#include "platform/cdp/PageCall.h"

namespace qm {

QString PageChangeCall(const QString& resource, const QJsonObject& argument)
{
    return cdp::PageRoutineCall(QStringLiteral(":/capture/PageChangeRegistry.js"), {}) + QStringLiteral(",\n")
        + cdp::PageRoutineCall(resource, argument);
}

QString GiveBackPageScript(const QString& step)
{
    return PageChangeCall(QStringLiteral(":/capture/GiveBackPage.js"), { { QStringLiteral("step"), step } });
}

} // namespace qm
