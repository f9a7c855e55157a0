#include "run/OptionTable.h"

#include "capture/DevicePresets.h"
#include "settings/OutputFormatTable.h"

namespace qm::run {

namespace {

constexpr unsigned C = unsigned(Command::Convert);
constexpr unsigned W = unsigned(Command::Worker);
constexpr unsigned S = unsigned(Command::Submit);
constexpr unsigned T = unsigned(Command::Status);
constexpr const char* Page = "Page (this run's \"page\" settings)";
constexpr const char* Batch = "Batch";
constexpr const char* Output = "Output";
constexpr const char* Jobs = "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16";

using K = ValueKind;

// Options of several commands come first in the order their first command lists them.
constexpr OptionSpec Table[] = {
    { "queue", "URL",
        "redis://[user:password@]HOST[:PORT][/DB] (required); the password may come from REDISCLI_AUTH or "
        "--password-file instead",
        W | S | T, "", K::None, "",
        "The password is blanked in the process list; REDISCLI_AUTH or --password-file keep it out of the "
        "command line altogether. rediss:// (TLS) is not supported." },
    { "password-file", "FILE", "the Redis password, on the file's first line", W | S | T, "", K::File },
    { "stream", "NAME", "the job stream (default quillmark); its batches' keys start with it", W | S | T },
    { "group", "NAME", "the consumer group the workers share (default quillmark)", W },
    { "j,jobs", "N", "pages converted at once, 1 to 16 (default 1)", W, "", K::Choices, Jobs },
    { "browser", "X", "Chromium executable, or a remote browser (repeatable)", W, "", K::Program },
    { "home", "DIR", "app home (browser and temporary files; the settings come with the jobs)", W, "", K::Folder },
    { "output-root", "DIR",
        "write only under DIR: a job's output folder must lie inside it (a relative one is taken under it); "
        "default: the output folder of the app home's settings",
        W, "", K::Folder },
    { "allow-files", "DIR",
        "local pages, cookies files and watermark pictures of jobs may be read from under DIR (repeatable; "
        "\"all\": any file); without it, none",
        W, "", K::Folder, "all" },
    { "auth-host", "HOST",
        "give QUILLMARK_AUTH to pages on HOST only (repeatable); without it, QUILLMARK_AUTH is not used", W },
    { "idle", "SEC", "take over jobs another worker left this long (default: the page time limit plus 30 s)", W },
    { "name", "NAME", "this worker's name in the group (default HOST-PID)", W },
    { "wait", "",
        "follow the batch until every page is done, shown as convert shows it (progress, --json lines, exit "
        "status)",
        S },

    { "l,list", "FILE", "read addresses from a .ulf file (a plain list, one per line, works too)", C | S, "", K::File,
        "ulf|txt" },
    { "f,format", "FMT", "{formats} (this run's \"outputformat\")", C | S, "", K::Formats },
    { "o,out", "DIR", "output folder (this run's \"outputfolder\")", C | S, "", K::Folder, "",
        "It is created when missing." },
    { "j,jobs", "N|auto",
        "pages converted at once, 1 to 16; auto: one per core as memory allows (default: the \"jobs\" setting, "
        "else auto)",
        C, "", K::Choices, "auto 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16" },
    { "timeout", "SEC", "page time limit, 1 to 86400 (this run's \"timeout\")", C | S, "", K::None, "",
        "A page that does not complete in time fails and the batch goes on." },
    { "width", "PX", "viewport width in CSS pixels, 100 to 16384 (default 1280)", C | S },
    { "expand", "WHAT",
        "scrolling boxes opened for the whole page: page (the page's own scroller and cut side bars; default), "
        "all, or none",
        C | S, "", K::Choices, "page all none" },
    { "max-height", "PX", "tallest picture; longer pages are cut there (default 100000)", C | S },
    { "tagged-pdf", "", "PDFs tagged for screen readers: about twice as large (this run's \"taggedpdf\")", C | S, "",
        K::None, "", "They take about a sixth more work to make." },
    { "browser", "X",
        "Chromium executable, or a remote browser (ws:// or http:// endpoint); repeat it to spread the pages over "
        "several remote browsers",
        C, "", K::Program, "",
        "A remote browser is a Chromium started with --remote-debugging-port. Without the option Quillmark runs "
        "chromium-headless-shell where it is installed, else chromium." },
    { "home", "DIR", "app home for this run (settings.dat and the rest)", C | S, "", K::Folder },
    { "http-errors", "X",
        "fail (default) or capture: what becomes of pages with an HTTP status of 400 or above (this run's "
        "\"httperrors\")",
        C | S, "", K::Choices, "fail capture",
        "A failed one gives its status as the reason (\"HTTP 404 Not Found\") and writes nothing." },
    { "allow-files", "DIR",
        "let local pages read the files under DIR too (they read their own folder only); \"all\" lifts the limit "
        "(this run's \"allowfiles\")",
        C | S, "", K::Folder, "all", "Web pages read no local file." },

    { "scale", "N", "device pixels per CSS pixel, 1 to 4 (sharper, larger pictures)", C | S, Page },
    { "height", "PX", "viewport height in CSS pixels, 100 to 16384 (default 800)", C | S, Page },
    { "device", "NAME", "show the page as a phone or tablet does; --device list names them", C | S, Page, K::Devices,
        "", "The devices: {devices}." },
    { "wait-for", "SEL", "wait (within the time limit) until an element matching SEL is visible", C | S, Page },
    { "delay", "MS", "wait this much longer after the page has settled", C | S, Page },
    { "selector", "SEL", "capture only the first element matching SEL, its whole box", C | S, Page },
    { "hide", "SEL", "make matching elements invisible (repeatable)", C | S, Page },
    { "remove", "SEL", "take matching elements out of the page (repeatable)", C | S, Page },
    { "no-overlays", "", "hide consent dialogs and common newsletter overlays", C | S, Page },
    { "style", "FILE", "add this CSS to the page before the capture", C | S, Page, K::File, "css" },
    { "script", "FILE", "run this JavaScript in the page before the capture", C | S, Page, K::File, "js" },
    { "user-agent", "S", "the user agent the page sees", C | S, Page },
    { "header", "'Name: value'", "send this request header too (repeatable)", C | S, Page },
    { "cookies", "FILE", "send the cookies of a Netscape cookies.txt file", C | S, Page, K::File },
    { "auth", "USER:PASSWORD", "HTTP authentication (or set QUILLMARK_AUTH)", C | S, Page, K::None, "",
        "The password is blanked in the process list; QUILLMARK_AUTH keeps it out of the command line "
        "altogether. submit refuses it: it is not sent over the queue." },
    { "color-scheme", "light|dark", "the colour scheme the page is told the user prefers", C | S, Page, K::Choices,
        "light dark" },
    { "reduced-motion", "", "tell the page the user prefers reduced motion", C | S, Page },
    { "block", "PATTERN", "requests whose address matches are not made; '*' stands for any text (repeatable)", C | S,
        Page },

    { "report", "",
        "write report.html (thumbnails, failures and their reasons) and report.json in the output folder, updated "
        "after each page",
        C, Batch },
    { "report", "",
        "with --wait: write report.html and report.json in the output folder as the pages come in, as convert "
        "--report does",
        S, Batch },
    { "retry", "N",
        "try a failed page again up to N times (0 to 10), after 1 s, 2 s, 4 s ...: not after HTTP 4xx (default: "
        "the \"retries\" setting)",
        C, Batch },
    { "resume", "DIR",
        "go on with the reported run in DIR (same list, or none: its own): convert only its pages not yet OK, into "
        "the same report",
        C, Batch, K::Folder },

    { "json", "",
        "one JSON object per finished page on stdout: address, status, output path, reason, milliseconds, "
        "httpStatus, finalAddress, title, width, height",
        C | S, Output },
    { "q,quiet", "", "no progress display", C | S, Output },
    { "verbose", "", "technical detail of failures on stderr", C | W | S | T, Output },
    { "h,help", "", "print these options and exit", C | W | S | T, Output },
};

constexpr CommandEntry Commands[] = {
    { Command::Convert, "convert", "[options] [ADDRESS...]", "convert without a window",
        "ADDRESS  web address, or a local file path (made absolute, as a file URL)", "" },
    { Command::Worker, "worker", "--queue URL [options]", "convert the jobs of a Redis stream", "", "" },
    { Command::Submit, "submit", "--queue URL [convert's options] [ADDRESS...|-l FILE]",
        "put pages on a Redis stream for the workers", "ADDRESS  as for convert",
        "The output folder must be one the workers write to (a shared folder, inside their --output-root); files "
        "named by --cookies, watermark pictures and local pages must lie under their --allow-files. --jobs, "
        "--browser, --retry, --resume and --auth belong to convert and the workers." },
    { Command::Status, "status", "--queue URL [options] [BATCH]", "show the batches and workers of a Redis stream",
        "BATCH  the batch id submit printed; without it, every batch", "" },
};

} // namespace

const CommandEntry& CommandOf(Command command)
{
    for (const CommandEntry& entry : Commands) {
        if (entry.command == command)
            return entry;
    }
    return Commands[0];
}

QList<const OptionSpec*> OptionsOf(Command command)
{
    QList<const OptionSpec*> options;
    for (const OptionSpec& option : Table) {
        if (option.commands & unsigned(command))
            options.append(&option);
    }
    return options;
}

QList<const OptionSpec*> ParsedOptionsOf(Command command)
{
    QList<const OptionSpec*> options = OptionsOf(command);
    if (command != Command::Submit)
        return options;
    QStringList known;
    for (const OptionSpec* option : std::as_const(options))
        known.append(LongName(*option));
    for (const OptionSpec* option : OptionsOf(Command::Convert)) {
        if (!known.contains(LongName(*option)))
            options.append(option);
    }
    return options;
}

QStringList NamesOf(const OptionSpec& option)
{
    return QString::fromLatin1(option.names).split(u',');
}

QString LongName(const OptionSpec& option)
{
    return QStringLiteral("--") + NamesOf(option).constLast();
}

QStringList DashedNames(const OptionSpec& option)
{
    QStringList dashed;
    for (const QString& name : NamesOf(option))
        dashed.append((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
    return dashed;
}

QString Expanded(const char* text)
{
    return QString::fromUtf8(text)
        .replace(QLatin1String("{formats}"), OutputFormatNamesText())
        .replace(QLatin1String("{devices}"), DevicePresetNamesText());
}

} // namespace qm::run
