#include "platform/cdp/PageTracker.h"

#include "platform/cdp/PageCall.h"

namespace qm::cdp {

QString PageTrackerScript()
{
    return PageRoutineCall(QStringLiteral(":/platform/cdp/PageTracker.js"), {}) + QLatin1Char(';');
}

} // namespace qm::cdp
