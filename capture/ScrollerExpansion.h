#pragma once

#include <QString>
#include <optional>

#include "platform/cdp/Snapshot.h"

namespace qm {

class SettingsSource;

// An expression opening the page's scrolling boxes as `mode` asks (see cdp::ScrollerExpansion and
// ExpandScrollers.js), so that a capture or a print holds the whole page; it yields how many elements
// it changed. Running it again opens boxes that appeared since and leaves the others. Its changes are
// noted in the page's registry, step kCaptureStep. `unnoticed`: the page tracker does not count them as
// the page changing (the expression then yields a promise).
QString ExpandScrollersScript(cdp::ScrollerExpansion mode, bool unnoticed = false);

// "all", "page" or "none", in any case and with blanks around.
std::optional<cdp::ScrollerExpansion> ScrollerExpansionFromText(const QString& text);

// "expandscrollers": missing or unknown reads as "page".
cdp::ScrollerExpansion ReadScrollerExpansion(const SettingsSource& settings);

// "maxheight": the tallest picture in pixels; missing, not a number or not positive: 100,000.
int ReadMaxCaptureHeight(const SettingsSource& settings);

} // namespace qm
