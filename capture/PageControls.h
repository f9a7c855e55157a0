#pragma once

#include <QList>
#include <QPair>
#include <QSize>
#include <QString>
#include <QStringList>
#include <chrono>

#include "platform/Error.h"
#include "platform/cdp/PageEmulation.h"

namespace qm {

class SettingsSource;

// How one page is shown and what of it is kept, read from the "page" section (and the run's options in
// front of it). Every field left at its default shows the page as a fresh 1280 x 800 desktop browser.
struct PageControls
{
    // How the page is shown; a device preset fills what is not set explicitly.
    QSize viewport { 1280, 800 }; // CSS pixels
    double scale = 1; // device pixels per CSS pixel, 1..4; PDF is unaffected
    bool mobile = false; // touch and a mobile layout viewport (device presets)
    QString device; // the preset's name, empty for none
    QString userAgent; // empty: the browser's own
    QList<QPair<QString, QString>> headers; // extra request headers
    QString cookiesFile; // a Netscape cookies.txt file
    QList<cdp::Cookie> cookies; // read from it
    QString authUser; // HTTP basic/digest authentication; empty: none
    QString authPassword;
    QString colorScheme; // "light", "dark" or empty (the page's default)
    bool reducedMotion = false;
    QStringList block; // URL patterns, '*' for any text

    // What is kept, after the page has settled.
    QString waitFor; // CSS selector that must be present and visible
    std::chrono::milliseconds delay { 0 };
    QString selector; // capture only this element's box
    QStringList hide; // selectors made invisible (the layout stays)
    QStringList remove; // selectors taken out of the layout
    bool noOverlays = false; // the common consent and newsletter overlays, and their scroll lock
    QString style; // CSS, as text (a file named in the settings is read)
    QString script; // JavaScript, as text

    bool emulatesDevice() const { return scale != 1 || mobile || viewport != QSize(1280, 800); }
    // Anything to do after settling and before the capture.
    bool changesPage() const
    {
        return !waitFor.isEmpty() || delay.count() > 0 || !hide.isEmpty() || !remove.isEmpty() || noOverlays
            || !style.isEmpty() || !script.isEmpty();
    }
};

inline constexpr double MostScale = 4;
inline constexpr int SmallestViewport = 100;
inline constexpr int LargestViewport = 16384;

// Reads and checks the controls; `viewport` is the default when neither a size nor a device is set.
// A value that cannot be used (an unknown device, a header without a name, an unreadable style file)
// fails with a message naming it.
Result<PageControls> ReadPageControls(const SettingsSource& settings, QSize viewport = QSize(1280, 800));

// "Name: value" -> the pair; fails for a line without a name or a colon, and for a value that holds a
// line break or another control character (a tab is a blank).
Result<QPair<QString, QString>> ParseHeaderLine(const QString& line);
// "a, b" -> ["a", "b"]; commas inside brackets, parentheses or quotes do not split.
QStringList SplitSelectorList(const QString& text);
// A setting that names an existing file stands for the file's text; anything else is the text itself.
Result<QString> ReadFileOrText(const QString& value, const QString& what);

} // namespace qm
