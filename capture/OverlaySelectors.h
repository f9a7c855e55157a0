#pragma once

#include <QStringList>

namespace qm {

// The overlays "no overlays" takes off a page: the banners and dialogs of the common cookie-consent
// managers (OneTrust, Cookiebot, Didomi, Quantcast, TrustArc, Usercentrics, Osano, Klaro, Termly,
// CookieYes, iubenda, Sourcepoint, Complianz, Borlabs, Google's consent dialog and a few widespread
// plugins), generic cookie and consent banners named as such, and newsletter pop-ups. Each entry is one
// CSS selector; generic ones never match the page's html or body element, which some sites mark with
// the same words.
const QStringList& OverlaySelectors();

} // namespace qm
