#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "platform/Error.h"

namespace qm::run {

// `quillmark convert`'s arguments, checked; settings overrides stay texts as settings.dat holds them.
struct ConvertOptions
{
    QStringList addresses; // as given; made into page addresses by PageAddressFromArgument
    QString listFile;
    QString format; // an "outputformat" name (settings/OutputFormatTable.h)
    QString outputFolder; // absolute
    std::optional<int> jobs;
    QString timeout; // seconds, a positive number
    int width = 1280;
    bool widthGiven = false; // --width: this run's "width" of the page section, over settings.dat's
    QString expand; // "all", "page" or "none" (this run's "expandscrollers")
    QString maxHeight; // pixels, a whole number above 0 (this run's "maxheight")
    QStringList browsers; // executables or ws:// / http:// endpoints, in order
    QString home;
    QString httpErrors; // "1" to convert error pages, "0" to fail them; empty: the "httperrors" setting
    QStringList allowFiles; // folders local pages may read besides their own, or "all"
    // How the page is shown and what of it is kept: this run's "page" settings, as settings.dat holds them.
    QString scale, height, device, waitFor, delay, selector, style, script, userAgent, cookies, colorScheme;
    QStringList hide, remove, headers, block;
    bool noOverlays = false;
    bool reducedMotion = false;
    bool listDevices = false; // --device list
    QString auth; // "user:password", from --auth or QUILLMARK_AUTH; never printed
    bool taggedPdf = false; // PDFs for screen readers
    bool report = false; // write report.html and report.json in the output folder
    std::optional<int> retries; // tries again of a failed page; unset: the "retries" setting
    QString resume; // absolute; the output folder of a reported run to go on with
    bool json = false;
    bool verbose = false;
    bool quiet = false;
    bool help = false;
};

class ArgumentReader;

// Convert's options out of arguments already read (by convert, or by submit, which takes them too),
// each value checked. Relative paths are made absolute against `workingFolder`.
Result<ConvertOptions> ReadConvertOptions(const ArgumentReader& arguments, const QString& workingFolder);
// `arguments` are those after "convert".
Result<ConvertOptions> ReadConvertOptions(const QStringList& arguments, const QString& workingFolder);

} // namespace qm::run
