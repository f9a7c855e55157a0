#pragma once

#include <QString>
#include <optional>

#include "platform/cdp/Snapshot.h"

namespace qm {

class SettingsSource;

// Scripts that open up a page's scrolling boxes so that a capture or a print holds the whole page,
// and put the page back afterwards. Every element they touch has its style (and scroll) attributes
// and its scroll offsets noted first; UndoPageChangesScript() restores exactly those.

// A statement declaring `keep(element)` in the script it opens: notes the element once, before a change.
QString KeepForUndoSnippet();

// An expression opening the boxes `mode` asks for (see cdp::ScrollerExpansion); yields how many
// elements it changed. Running it again opens boxes that appeared since and leaves the others.
QString ExpandScrollersScript(cdp::ScrollerExpansion mode);

// An expression that puts back every noted element; yields how many there were.
QString UndoPageChangesScript();

// "all", "page" or "none", in any case and with blanks around.
std::optional<cdp::ScrollerExpansion> ScrollerExpansionFromText(const QString& text);

// "expandscrollers": missing or unknown reads as "page".
cdp::ScrollerExpansion ReadScrollerExpansion(const SettingsSource& settings);

// "maxheight": the tallest picture in pixels; missing, not a number or not positive: 100,000.
int ReadMaxCaptureHeight(const SettingsSource& settings);

} // namespace qm
