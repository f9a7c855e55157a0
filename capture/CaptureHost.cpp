#include "capture/CaptureHost.h"

namespace qm {

bool PassesGuards(const CaptureHost& host, const PageCompletion& completion)
{
    if (!host.hasGuards())
        return true;
    return host.hasRows() && completion.topLevel && completion.url != QLatin1String("about:blank");
}

} // namespace qm
