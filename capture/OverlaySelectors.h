#pragma once

#include <QStringList>

namespace qm {

// The overlays "no overlays" takes off a page, one CSS selector each: the banners and dialogs of the
// common cookie-consent managers (OneTrust, Cookiebot, Didomi, Quantcast, TrustArc, Usercentrics, Osano,
// Klaro, Termly, CookieYes, iubenda, Sourcepoint, Complianz, Borlabs, Google's consent dialog and a few
// widespread plugins) and the Mailchimp and Klaviyo newsletter pop-ups.
const QStringList& OverlaySelectors();

// Elements named as cookie, consent or GDPR banners or as newsletter pop-ups by any site (in their id or
// class). Such words also mark ordinary parts of pages ("cookie-consent-given" on a wrapper), so these are
// taken off only when they float over the page (fixed or sticky, or holding something that is) and hold
// none of its main content; never the html or body element.
const QStringList& FloatingOverlaySelectors();

// Words that, in the text of a box fixed over most of the screen, make it a consent dialog whatever its
// names: cookie, consent and privacy in English and the most used content languages of the web after it
// (Spanish, German, Japanese, French, Russian, Portuguese, Italian, Dutch, Polish, Turkish) and Chinese.
// Lower case; a stem stands for its inflections.
const QStringList& ConsentWords();

// The attribute that marks the floating overlays found on a page while the page is changed.
inline constexpr char OverlayMark[] = "data-quillmark-overlay";

} // namespace qm
