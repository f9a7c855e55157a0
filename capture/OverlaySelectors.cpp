#include "capture/OverlaySelectors.h"

namespace qm {

namespace {

// Generic names match anywhere in an id or class, in any case, on anything but html and body.
QStringList Generic(std::initializer_list<const char*> words)
{
    QStringList out;
    for (const char* word : words) {
        for (const char* attribute : { "id", "class" })
            out.append(QStringLiteral("[%1*=\"%2\" i]:not(html):not(body)")
                           .arg(QLatin1String(attribute), QLatin1String(word)));
    }
    return out;
}

QStringList Build()
{
    QStringList list {
        // OneTrust
        QStringLiteral("#onetrust-consent-sdk"),
        QStringLiteral("#onetrust-banner-sdk"),
        QStringLiteral(".onetrust-pc-dark-filter"),
        // Cookiebot
        QStringLiteral("#CybotCookiebotDialog"),
        QStringLiteral("#CybotCookiebotDialogBodyUnderlay"),
        // Didomi
        QStringLiteral("#didomi-host"),
        QStringLiteral(".didomi-popup-backdrop"),
        // Quantcast Choice
        QStringLiteral("#qc-cmp2-container"),
        QStringLiteral(".qc-cmp2-container"),
        QStringLiteral(".qc-cmp-ui-container"),
        // TrustArc
        QStringLiteral("#truste-consent-track"),
        QStringLiteral("#consent_blackbar"),
        QStringLiteral("#trustarc-banner-overlay"),
        QStringLiteral(".truste_overlay"),
        QStringLiteral(".truste_box_overlay"),
        // Usercentrics (its dialog lives in the shadow root of this host)
        QStringLiteral("#usercentrics-root"),
        QStringLiteral("#usercentrics-cmp-ui"),
        // Osano
        QStringLiteral(".osano-cm-window"),
        QStringLiteral(".osano-cm-dialog"),
        // Klaro
        QStringLiteral(".klaro .cookie-notice"),
        QStringLiteral(".klaro .cookie-modal"),
        // Termly
        QStringLiteral("#termly-code-snippet-support"),
        // CookieYes and its older GDPR Cookie Consent plugin
        QStringLiteral(".cky-consent-container"),
        QStringLiteral(".cky-overlay"),
        QStringLiteral(".cky-modal"),
        QStringLiteral("#cookie-law-info-bar"),
        QStringLiteral(".cli-modal-backdrop"),
        // iubenda
        QStringLiteral("#iubenda-cs-banner"),
        // Sourcepoint
        QStringLiteral("[id^=\"sp_message_container_\"]"),
        // Complianz
        QStringLiteral("#cmplz-cookiebanner-container"),
        QStringLiteral(".cmplz-cookiebanner"),
        // Borlabs Cookie
        QStringLiteral("#BorlabsCookieBox"),
        // Google's consent dialog (Funding Choices)
        QStringLiteral(".fc-consent-root"),
        // Cookie Notice, Cookie Consent (cookieconsent.js), GDPR Cookie Compliance
        QStringLiteral("#cookie-notice"),
        QStringLiteral(".cc-window"),
        QStringLiteral(".cc-banner"),
        QStringLiteral("#moove_gdpr_cookie_info_bar"),
        // Newsletter pop-ups: Mailchimp, Klaviyo
        QStringLiteral(".mc-modal"),
        QStringLiteral(".mc-modal-bg"),
        QStringLiteral(".mc-banner"),
        QStringLiteral("div[aria-label=\"POPUP Form\"]"),
    };
    return list;
}

} // namespace

const QStringList& OverlaySelectors()
{
    static const QStringList list = Build();
    return list;
}

const QStringList& FloatingOverlaySelectors()
{
    static const QStringList list
        = Generic({ "cookie-banner", "cookiebanner", "cookie-consent", "cookieconsent", "cookie-notice", "cookie-bar",
            "consent-banner", "gdpr-banner", "newsletter-popup", "newsletter-modal", "newsletter-overlay" });
    return list;
}

const QStringList& ConsentWords()
{
    // Stems and set phrases that a consent dialog uses and an ordinary page's text seldom does.
    static const QStringList list = QStringList {
        // English ("privacy" serves Italian and Dutch too)
        QStringLiteral("cookie"),
        QStringLiteral("consent"),
        QStringLiteral("privacy"),
        // Spanish
        QStringLiteral("privacidad"),
        QStringLiteral("consentimiento"),
        // German
        QStringLiteral("datenschutz"),
        QStringLiteral("einwilligung"),
        // Japanese ("同意" serves Chinese too)
        QStringLiteral("プライバシー"),
        QStringLiteral("クッキー"),
        QStringLiteral("同意"),
        // French
        QStringLiteral("confidentialité"),
        QStringLiteral("consentement"),
        QStringLiteral("vie privée"),
        // Russian
        QStringLiteral("конфиденциальност"),
        QStringLiteral("согласие"),
        QStringLiteral("согласия"),
        // Portuguese
        QStringLiteral("privacidade"),
        QStringLiteral("consentimento"),
        // Italian
        QStringLiteral("riservatezza"),
        QStringLiteral("consenso"),
        // Dutch
        QStringLiteral("toestemming"),
        // Polish
        QStringLiteral("prywatnoś"),
        QStringLiteral("zgoda"),
        QStringLiteral("zgodę"),
        QStringLiteral("zgody"),
        // Turkish
        QStringLiteral("gizlilik"),
        QStringLiteral("çerez"),
        QStringLiteral("kişisel veri"),
        // Chinese
        QStringLiteral("隐私"),
        QStringLiteral("隱私"),
    };
    return list;
}

} // namespace qm
