#pragma once

#include <QString>
#include <chrono>
#include <optional>
#include <span>

#include "platform/MachineResources.h"
#include "settings/SettingsSource.h"

namespace qm {

// Every key of settings.dat, declared once with how its value is read. Readers go through the
// helpers below, never through ad-hoc parsing, so the reading rules hold everywhere.
struct SettingKey
{
    enum class Reading {
        Text, // used as it is (a missing key reads as the empty text, not as a default)
        Number, // read as a number
        Integer, // read as a number, converted to an integer
        Flag, // on only when it equals the number 1
        Choice, // compared with fixed texts ("0".."4", "BMP"...); equal to 0 means the first item
    };

    const char* section;
    const char* name; // as readers ask for it
    Reading reading;
    const char* written = nullptr; // as the settings dialog writes it, where that differs

    QString sectionName() const { return QString::fromLatin1(section); }
    QString keyName() const { return QString::fromLatin1(name); }
    QString writtenName() const { return QString::fromLatin1(written ? written : name); }
};

namespace keys {
using R = SettingKey::Reading;
// Section "set", in the order the settings dialog writes them.
inline constexpr SettingKey OutputType { "set", "outputtype", R::Choice }; // Image, PDF, TEXT
inline constexpr SettingKey OutputFormat { "set", "outputformat",
    R::Choice }; // BMP JPG GIF PNG TIFF WEBP PDF TXT, exact case
inline constexpr SettingKey Quality { "set", "quality", R::Integer }; // 1..100
inline constexpr SettingKey OutputFolder { "set", "outputfolder", R::Text }; // "0" or empty: the app home
inline constexpr SettingKey FileName { "set", "filename", R::Text }; // custom name, used unchanged
inline constexpr SettingKey DateTime { "set", "datetime", R::Flag }; // stamp after the custom name
inline constexpr SettingKey NameChoice { "set", "fileoption", R::Choice }; // 0: custom name, else site name
inline constexpr SettingKey ExistingFileRule { "set", "existedfile", R::Choice }; // 0: numbering, else overwrite
inline constexpr SettingKey Timeout { "set", "timeout", R::Number }; // seconds per page; see ReadPageTimeout
inline constexpr SettingKey Delay { "set", "delay", R::Number }; // seconds, shown only
inline constexpr SettingKey Scripts { "set", "Scripts", R::Flag };
inline constexpr SettingKey Java { "set", "JAVA", R::Flag }; // shown only
inline constexpr SettingKey ActiveX { "set", "activex", R::Flag, "ActiveX" }; // shown only
inline constexpr SettingKey Thumbnail { "set", "Thumbnail", R::Flag };
inline constexpr SettingKey ThumbnailPercent { "set", "imagesize", R::Number }; // thumbnail percent, 1..100
inline constexpr SettingKey Jobs { "set", "jobs", R::Integer }; // pages at once; see ReadJobs
// Local files a local page may read beyond its own folder: folders separated by ';', or "all".
inline constexpr SettingKey AllowFiles { "set", "allowfiles", R::Text };
inline constexpr SettingKey HttpErrors { "set", "httperrors", R::Flag }; // convert pages of status 400 and above
inline constexpr SettingKey Report { "set", "report", R::Flag }; // each batch writes report.html and report.json
inline constexpr SettingKey Retries { "set", "retries", R::Integer }; // tries again of a failed page; see ReadRetries
inline constexpr SettingKey TaggedPdf { "set", "taggedpdf", R::Flag }; // PDFs carry a structure for screen readers
// Section "watermark".
inline constexpr SettingKey TextWatermark { "watermark", "textwatermark", R::Flag };
inline constexpr SettingKey WatermarkText { "watermark", "watertext", R::Text };
inline constexpr SettingKey TextPlacement { "watermark", "twz", R::Choice, "Twz" }; // "0".."4"; -1 none chosen
inline constexpr SettingKey TextX { "watermark", "Tx", R::Number };
inline constexpr SettingKey TextY { "watermark", "Ty", R::Number };
inline constexpr SettingKey TextSize { "watermark", "Tsize", R::Integer };
inline constexpr SettingKey TextQuality { "watermark", "TQuality", R::Integer };
inline constexpr SettingKey TextFont { "watermark", "Tfont", R::Text };
inline constexpr SettingKey TextRotate { "watermark", "Trotate", R::Integer, "TRotate" };
inline constexpr SettingKey TextTransparency { "watermark", "Ttransparency", R::Number }; // percent
inline constexpr SettingKey TextColor { "watermark", "textcolor", R::Integer }; // RGB, red in the low byte
inline constexpr SettingKey ImageWatermark { "watermark", "imagewatermark", R::Flag };
inline constexpr SettingKey WatermarkPicture { "watermark", "waterimage", R::Text }; // path
inline constexpr SettingKey ImagePlacement { "watermark", "iwz", R::Choice, "Iwz" };
inline constexpr SettingKey ImageX { "watermark", "Ix", R::Number };
inline constexpr SettingKey ImageY { "watermark", "Iy", R::Number };
// The colour made transparent, RGB; the picker writes the key with a trailing blank.
inline constexpr SettingKey WatermarkKeyColour { "watermark", "Itransparency", R::Number, "Itransparency " };
inline constexpr SettingKey WatermarkKeyTolerance { "watermark", "IDeviation", R::Number }; // 0..255
inline constexpr SettingKey ImageOpacity { "watermark", "IOpacity", R::Number }; // percent
// Section "set", keys the settings dialog leaves alone.
inline constexpr SettingKey ExpandScrollers { "set", "expandscrollers", R::Text }; // page, all or none
inline constexpr SettingKey MaxHeight { "set", "maxheight", R::Integer }; // tallest picture in pixels
// Section "page": how the page is shown and what of it is kept. Every key missing or empty: as a fresh
// desktop browser shows the page (1280 x 800, scale 1), the whole page kept.
inline constexpr SettingKey Scale { "page", "scale", R::Number }; // device pixels per CSS pixel, 1..4
inline constexpr SettingKey Width { "page", "width", R::Integer }; // viewport, CSS pixels
inline constexpr SettingKey Height { "page", "height", R::Integer };
inline constexpr SettingKey Device { "page", "device", R::Text }; // a preset name (capture/DevicePresets.h)
inline constexpr SettingKey WaitFor { "page", "waitfor", R::Text }; // CSS selector, present and visible
inline constexpr SettingKey PageDelay { "page", "delay", R::Integer }; // milliseconds after settling
inline constexpr SettingKey Selector { "page", "selector", R::Text }; // capture this element only
inline constexpr SettingKey Hide { "page", "hide", R::Text }; // selectors, comma separated
inline constexpr SettingKey Remove { "page", "remove", R::Text }; // selectors, comma separated
inline constexpr SettingKey NoOverlays { "page", "nooverlays", R::Flag };
inline constexpr SettingKey Style { "page", "style", R::Text }; // a CSS file, or the CSS itself
inline constexpr SettingKey Script { "page", "script", R::Text }; // a script file, or the script itself
inline constexpr SettingKey UserAgent { "page", "useragent", R::Text };
inline constexpr SettingKey Headers { "page", "headers", R::Text }; // "Name: value" lines, separated by '|'
inline constexpr SettingKey Cookies { "page", "cookies", R::Text }; // a Netscape cookies.txt file
inline constexpr SettingKey ColorScheme { "page", "colorscheme", R::Text }; // light, dark or empty
inline constexpr SettingKey ReducedMotion { "page", "reducedmotion", R::Flag };
inline constexpr SettingKey Block { "page", "block", R::Text }; // URL patterns ('*' any text), comma separated
// "user:password" for HTTP authentication; only ever set for one run (--auth, QUILLMARK_AUTH), never
// written to settings.dat.
inline constexpr SettingKey Auth { "page", "auth", R::Text };
} // namespace keys

// All keys above, in the order of their declaration.
std::span<const SettingKey* const> AllSettingKeys();

QString ReadText(const SettingsSource& s, const SettingKey& key);
double ReadNumber(const SettingsSource& s, const SettingKey& key);
std::optional<qint32> ReadInteger(const SettingsSource& s, const SettingKey& key);
bool ReadFlag(const SettingsSource& s, const SettingKey& key); // equals 1
bool ReadEquals(const SettingsSource& s, const SettingKey& key, double n);

// The ranges every source of these numbers is held to (settings file, dialog, command line, scheduler);
// a value outside is taken as the nearest end, never refused.
inline constexpr int MostJobs = 16;
inline constexpr std::chrono::seconds LongestPageTimeout { 86400 };
int ClampJobs(double number); // 1..MostJobs; not a number: 1
std::chrono::seconds ClampPageTimeout(double seconds); // 1 s..LongestPageTimeout; a fraction rounds down
int ClampQuality(double quality); // 0..100, halves rounded to even; not a number: 0

// "jobs": pages converted at once. Missing, empty or "auto": AutomaticJobs; not a number: 1; outside
// the range: the nearest end.
int ReadJobs(const SettingsSource& s, const MachineResources& machine = MachineResources::probe());
bool JobsAreAutomatic(const QString& stored);
// One page per core, as far as the memory free for them goes (a page in flight may take about a GiB
// while a tall page is laid out and captured).
int AutomaticJobs(const MachineResources& machine);
// "timeout": the time limit of one page; missing, not a number or not positive: 60 seconds; above
// LongestPageTimeout: that.
std::chrono::seconds ReadPageTimeout(const SettingsSource& s);
// "retries": how often a failed page is tried again, 0..MostRetries; missing or not a number: 0.
inline constexpr int MostRetries = 10;
int ClampRetries(double number);
int ReadRetries(const SettingsSource& s);

} // namespace qm
