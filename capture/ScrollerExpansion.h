#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <optional>

#include "platform/cdp/Snapshot.h"

namespace qm {

class SettingsSource;

// An expression opening the page's scrolling boxes as `mode` asks (see cdp::ScrollerExpansion and
// ExpandScrollers.js), so that a capture or a print holds the whole page; it yields a promise of what it
// did (read with ScrollerExpansionDone). Running it again opens boxes that appeared since and leaves the
// others. Its changes are noted in the page's registry, step kCaptureStep. `unnoticed`: the page tracker
// does not count them as the page changing.
QString ExpandScrollersScript(cdp::ScrollerExpansion mode, bool unnoticed = false);

// What one run of ExpandScrollersScript did: how many elements it changed, and what the picture's note
// should say about boxes it left as they were ("a virtual list kept at 700 px").
struct ScrollerExpansionDone
{
    int changed = 0;
    QStringList notes;
};

// Reads the reply to Runtime.evaluate of ExpandScrollersScript (awaited, by value); a failed run did
// nothing.
ScrollerExpansionDone ReadScrollerExpansionDone(const QJsonObject& reply);

// "all", "page" or "none", in any case and with blanks around.
std::optional<cdp::ScrollerExpansion> ScrollerExpansionFromText(const QString& text);

// "expandscrollers": missing or unknown reads as "page".
cdp::ScrollerExpansion ReadScrollerExpansion(const SettingsSource& settings);

// "maxheight": the tallest picture in pixels; missing, not a number or not positive: 100,000.
int ReadMaxCaptureHeight(const SettingsSource& settings);

} // namespace qm
