#include "capture/EmulationFor.h"

namespace qm {

cdp::PageEmulation EmulationFor(const PageControls& controls)
{
    cdp::PageEmulation emulation;
    emulation.viewport = controls.viewport;
    emulation.scale = controls.scale;
    emulation.mobile = controls.mobile;
    emulation.userAgent = controls.userAgent;
    emulation.headers = controls.headers;
    emulation.cookies = controls.cookies;
    emulation.colorScheme = controls.colorScheme;
    emulation.reducedMotion = controls.reducedMotion;
    for (const QString& pattern : controls.block)
        emulation.blocked.append(pattern.contains(u'*') ? pattern : u'*' + pattern + u'*');
    emulation.authUser = controls.authUser;
    emulation.authPassword = controls.authPassword;
    return emulation;
}

} // namespace qm
