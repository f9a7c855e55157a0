#include "cli/ConvertOptions.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <functional>

#include "capture/DevicePresets.h"
#include "capture/PageControls.h"
#include "capture/ScrollerExpansion.h"
#include "settings/OutputFormatTable.h"
#include "settings/SettingKeys.h"

namespace qm::cli {

namespace {

Result<ConvertOptions> usageError(const QString& message)
{
    return fail(Error::Code::Usage, message);
}

std::optional<int> wholeNumber(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

QString absolute(const QString& path, const QString& workingFolder)
{
    return QDir::cleanPath(QDir(workingFolder).absoluteFilePath(path));
}

Result<void> readableFile(const QString& option, const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return fail(Error::Code::Usage, QStringLiteral("%1: cannot read %2").arg(option, path));
    return {};
}

// The options of the "page" section; nullopt for any other name.
std::optional<Result<void>> pageOption(const QString& name, const std::function<std::optional<QString>()>& value,
    ConvertOptions& options, const QString& workingFolder)
{
    static const QStringList valued { "--scale", "--height", "--device", "--wait-for", "--delay", "--selector",
        "--hide", "--remove", "--style", "--script", "--user-agent", "--header", "--cookies", "--auth",
        "--color-scheme", "--block" };
    if (!valued.contains(name))
        return std::nullopt;
    const auto given = value();
    if (!given || given->trimmed().isEmpty())
        return fail(Error::Code::Usage, QStringLiteral("%1 needs a value").arg(name));
    const QString v = *given;
    const auto bad = [&](const QString& what) -> Result<void> {
        return fail(Error::Code::Usage, QStringLiteral("%1 takes %2, not \"%3\"").arg(name, what, v));
    };
    if (name == QLatin1String("--scale")) {
        bool ok = false;
        const double scale = v.toDouble(&ok);
        if (!ok || !(scale >= 1 && scale <= MostScale))
            return bad(QStringLiteral("a number from 1 to 4"));
        options.scale = v.trimmed();
    } else if (name == QLatin1String("--height")) {
        const auto height = wholeNumber(v);
        if (!height || *height < SmallestViewport || *height > LargestViewport)
            return bad(QStringLiteral("a whole number of pixels from 100 to 16384"));
        options.height = QString::number(*height);
    } else if (name == QLatin1String("--device")) {
        if (v == QLatin1String("list")) {
            options.listDevices = true;
        } else if (!FindDevicePreset(v)) {
            return fail(
                Error::Code::Usage, QStringLiteral("unknown device \"%1\" (%2)").arg(v, DevicePresetNamesText()));
        }
        options.device = v.trimmed().toLower();
    } else if (name == QLatin1String("--wait-for")) {
        options.waitFor = v;
    } else if (name == QLatin1String("--delay")) {
        const auto ms = wholeNumber(v);
        if (!ms || *ms < 0)
            return bad(QStringLiteral("a whole number of milliseconds"));
        options.delay = QString::number(*ms);
    } else if (name == QLatin1String("--selector")) {
        options.selector = v;
    } else if (name == QLatin1String("--hide")) {
        options.hide.append(v);
    } else if (name == QLatin1String("--remove")) {
        options.remove.append(v);
    } else if (name == QLatin1String("--style") || name == QLatin1String("--script")
        || name == QLatin1String("--cookies")) {
        const QString path = absolute(v, workingFolder);
        if (auto readable = readableFile(name, path); !readable)
            return readable;
        (name == QLatin1String("--style")           ? options.style
                : name == QLatin1String("--script") ? options.script
                                                    : options.cookies)
            = path;
    } else if (name == QLatin1String("--user-agent")) {
        options.userAgent = v;
    } else if (name == QLatin1String("--header")) {
        if (v.contains(u'|'))
            return fail(Error::Code::Usage, QStringLiteral("--header: a header may not hold '|'"));
        if (auto header = ParseHeaderLine(v); !header)
            return fail(Error::Code::Usage, QStringLiteral("--header: %1").arg(header.error().message));
        options.headers.append(v.trimmed());
    } else if (name == QLatin1String("--auth")) {
        if (!v.contains(u':'))
            return fail(Error::Code::Usage, QStringLiteral("--auth takes USER:PASSWORD"));
        options.auth = v;
    } else if (name == QLatin1String("--color-scheme")) {
        if (v != QLatin1String("light") && v != QLatin1String("dark"))
            return bad(QStringLiteral("light or dark"));
        options.colorScheme = v;
    } else if (name == QLatin1String("--block")) {
        if (v.contains(u','))
            return fail(Error::Code::Usage, QStringLiteral("--block: one pattern per option, without ','"));
        options.block.append(v.trimmed());
    }
    return Result<void>();
}

} // namespace

QString ConvertUsage()
{
    return QStringLiteral(
        "quillmark convert [options] [ADDRESS...]\n"
        "  ADDRESS             web address, or a local file path (made absolute, as a file URL)\n"
        "  -l, --list FILE     read addresses from a .ulf file (a plain list, one per line, works too)\n"
        "  -f, --format FMT    %1 (this run's \"outputformat\")\n"
        "  -o, --out DIR       output folder (this run's \"outputfolder\")\n"
        "  -j, --jobs N|auto   pages converted at once, 1 to 16; auto: one per core as memory allows\n"
        "                      (default: the \"jobs\" setting, else auto)\n"
        "      --timeout SEC   page time limit, 1 to 86400 (this run's \"timeout\")\n"
        "      --width PX      viewport width in CSS pixels (default 1280)\n"
        "      --expand WHAT   scrolling boxes opened for the whole page: page (the page's own\n"
        "                      scroller and cut side bars; default), all, or none\n"
        "      --max-height PX tallest picture; longer pages are cut there (default 100000)\n"
        "      --tagged-pdf    PDFs tagged for screen readers: about twice as large (this run's\n"
        "                      \"taggedpdf\")\n"
        "      --browser X     Chromium executable, or a remote browser (ws:// or http:// endpoint);\n"
        "                      repeat it to spread the pages over several remote browsers\n"
        "      --home DIR      app home for this run (settings.dat and the rest)\n"
        "      --http-errors X fail (default) or capture: what becomes of pages with an HTTP status\n"
        "                      of 400 or above (this run's \"httperrors\")\n"
        "      --allow-files DIR  let local pages read the files under DIR too (they read their own\n"
        "                      folder only); \"all\" lifts the limit (this run's \"allowfiles\")\n"
        "Page (this run's \"page\" settings):\n"
        "      --scale N       device pixels per CSS pixel, 1 to 4 (sharper, larger pictures)\n"
        "      --height PX     viewport height in CSS pixels (default 800)\n"
        "      --device NAME   show the page as a phone or tablet does; --device list names them\n"
        "      --wait-for SEL  wait (within the time limit) until an element matching SEL is visible\n"
        "      --delay MS      wait this much longer after the page has settled\n"
        "      --selector SEL  capture only the first element matching SEL, its whole box\n"
        "      --hide SEL      make matching elements invisible (repeatable)\n"
        "      --remove SEL    take matching elements out of the page (repeatable)\n"
        "      --no-overlays   hide common cookie-consent and newsletter overlays\n"
        "      --style FILE    add this CSS to the page before the capture\n"
        "      --script FILE   run this JavaScript in the page before the capture\n"
        "      --user-agent S  the user agent the page sees\n"
        "      --header 'Name: value'  send this request header too (repeatable)\n"
        "      --cookies FILE  send the cookies of a Netscape cookies.txt file\n"
        "      --auth USER:PASSWORD  HTTP authentication (or set QUILLMARK_AUTH)\n"
        "      --color-scheme light|dark  the colour scheme the page is told the user prefers\n"
        "      --reduced-motion  tell the page the user prefers reduced motion\n"
        "      --block PATTERN requests whose address matches are not made; '*' stands for any\n"
        "                      text (repeatable)\n"
        "Batch:\n"
        "      --report        write report.html (thumbnails, failures and their reasons) and\n"
        "                      report.json in the output folder, updated after each page\n"
        "      --retry N       try a failed page again up to N times (0 to 10), after 1 s, 2 s,\n"
        "                      4 s ...: not after HTTP 4xx (default: the \"retries\" setting)\n"
        "      --resume DIR    go on with the reported run in DIR (same list, or none: its own):\n"
        "                      convert only its pages not yet OK, into the same report\n"
        "Output:\n"
        "      --json          one JSON object per finished page on stdout: address, status,\n"
        "                      output path, reason, milliseconds, httpStatus, finalAddress,\n"
        "                      title, width, height\n"
        "      -q, --quiet     no progress display\n"
        "      --verbose       technical detail of failures on stderr\n"
        "  quillmark --version\n")
        .arg(OutputFormatNamesText());
}

Result<ConvertOptions> ParseConvertArguments(const QStringList& arguments, const QString& workingFolder)
{
    ConvertOptions options;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString argument = arguments[i];
        if (optionsEnded || !argument.startsWith(u'-') || argument == QLatin1String("-")) {
            options.addresses.append(argument);
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        QString name = argument;
        std::optional<QString> inlineValue;
        if (argument.startsWith(QLatin1String("--")) && argument.contains(u'=')) {
            name = argument.section(u'=', 0, 0);
            inlineValue = argument.section(u'=', 1);
        }
        auto value = [&]() -> std::optional<QString> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments[++i];
        };
        auto flag = [&](bool& target) -> Result<void> {
            if (inlineValue)
                return fail(Error::Code::Usage, QStringLiteral("%1 takes no value").arg(name));
            target = true;
            return {};
        };

        Result<void> flagged;
        if (name == QLatin1String("-h") || name == QLatin1String("--help")) {
            flagged = flag(options.help);
        } else if (name == QLatin1String("--json")) {
            flagged = flag(options.json);
        } else if (name == QLatin1String("-q") || name == QLatin1String("--quiet")) {
            flagged = flag(options.quiet);
        } else if (name == QLatin1String("--verbose")) {
            flagged = flag(options.verbose);
        } else if (name == QLatin1String("--no-overlays")) {
            flagged = flag(options.noOverlays);
        } else if (name == QLatin1String("--reduced-motion")) {
            flagged = flag(options.reducedMotion);
        } else if (name == QLatin1String("--report")) {
            flagged = flag(options.report);
        } else if (name == QLatin1String("--tagged-pdf")) {
            flagged = flag(options.taggedPdf);
        } else if (auto page = pageOption(name, value, options, workingFolder)) {
            if (!*page)
                return std::unexpected(page->error());
        } else {
            static const QStringList valued { "-l", "--list", "-f", "--format", "-o", "--out", "-j", "--jobs",
                "--timeout", "--width", "--expand", "--max-height", "--browser", "--home", "--http-errors",
                "--allow-files", "--retry", "--resume" };
            if (!valued.contains(name))
                return usageError(QStringLiteral("unknown option %1").arg(name));
            const auto given = value();
            if (!given)
                return usageError(QStringLiteral("%1 needs a value").arg(name));
            const QString& v = *given;
            if (name == QLatin1String("-l") || name == QLatin1String("--list")) {
                options.listFile = absolute(v, workingFolder);
            } else if (name == QLatin1String("-f") || name == QLatin1String("--format")) {
                options.format = v.toUpper();
                if (!FindOutputFormat(options.format))
                    return usageError(QStringLiteral("unknown format \"%1\" (%2)").arg(v, OutputFormatNamesText()));
            } else if (name == QLatin1String("-o") || name == QLatin1String("--out")) {
                if (v.isEmpty())
                    return usageError(QStringLiteral("--out needs a folder"));
                options.outputFolder = absolute(v, workingFolder);
            } else if (name == QLatin1String("-j") || name == QLatin1String("--jobs")) {
                const auto jobs = wholeNumber(v);
                if (v.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0)
                    options.jobs = AutomaticJobs(MachineResources::probe());
                else if (!jobs || *jobs < 1 || *jobs > MostJobs)
                    return usageError(QStringLiteral("--jobs takes a whole number from 1 to %1 or \"auto\", not \"%2\"")
                                          .arg(MostJobs)
                                          .arg(v));
                else
                    options.jobs = *jobs;
            } else if (name == QLatin1String("--timeout")) {
                bool ok = false;
                const double seconds = v.toDouble(&ok);
                if (!ok || !(seconds >= 1 && seconds <= double(LongestPageTimeout.count())))
                    return usageError(QStringLiteral("--timeout takes a number of seconds from 1 to %1, not \"%2\"")
                                          .arg(LongestPageTimeout.count())
                                          .arg(v));
                options.timeout = QString::number(ClampPageTimeout(seconds).count());
            } else if (name == QLatin1String("--width")) {
                const auto width = wholeNumber(v);
                if (!width || *width < 100 || *width > 16384)
                    return usageError(
                        QStringLiteral("--width takes a whole number of pixels from 100 to 16384, not \"%1\"").arg(v));
                options.width = *width;
                options.widthGiven = true;
            } else if (name == QLatin1String("--expand")) {
                if (!ScrollerExpansionFromText(v))
                    return usageError(QStringLiteral("--expand takes all, page or none, not \"%1\"").arg(v));
                options.expand = v.trimmed().toLower();
            } else if (name == QLatin1String("--max-height")) {
                const auto height = wholeNumber(v);
                if (!height || *height < 1)
                    return usageError(
                        QStringLiteral("--max-height takes a whole number of pixels above 0, not \"%1\"").arg(v));
                options.maxHeight = QString::number(*height);
            } else if (name == QLatin1String("--browser")) {
                if (v.isEmpty())
                    return usageError(QStringLiteral("--browser needs an executable or an endpoint"));
                const bool remote = v.startsWith(QLatin1String("ws://")) || v.startsWith(QLatin1String("wss://"))
                    || v.startsWith(QLatin1String("http://")) || v.startsWith(QLatin1String("https://"));
                // A bare name ("chromium") is a program on PATH, as in a shell; a path is taken as given.
                const QString onPath = v.contains(u'/') ? QString() : QStandardPaths::findExecutable(v);
                options.browsers.append(remote ? v : !onPath.isEmpty() ? onPath : absolute(v, workingFolder));
            } else if (name == QLatin1String("--http-errors")) {
                if (v == QLatin1String("capture"))
                    options.httpErrors = QStringLiteral("1");
                else if (v == QLatin1String("fail"))
                    options.httpErrors = QStringLiteral("0");
                else
                    return usageError(QStringLiteral("--http-errors takes fail or capture, not \"%1\"").arg(v));
            } else if (name == QLatin1String("--allow-files")) {
                if (v.isEmpty() || v.contains(u';'))
                    return usageError(QStringLiteral("--allow-files needs a folder (or \"all\"), one per option"));
                options.allowFiles.append(
                    v.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0 ? v : absolute(v, workingFolder));
            } else if (name == QLatin1String("--retry")) {
                const auto retries = wholeNumber(v);
                if (!retries || *retries < 0 || *retries > MostRetries)
                    return usageError(QStringLiteral("--retry takes a whole number from 0 to %1, not \"%2\"")
                                          .arg(MostRetries)
                                          .arg(v));
                options.retries = *retries;
            } else if (name == QLatin1String("--resume")) {
                if (v.isEmpty())
                    return usageError(QStringLiteral("--resume needs the folder of a reported run"));
                options.resume = absolute(v, workingFolder);
                options.report = true;
            } else if (name == QLatin1String("--home")) {
                if (v.isEmpty())
                    return usageError(QStringLiteral("--home needs a folder"));
                options.home = absolute(v, workingFolder);
            }
        }
        if (!flagged)
            return std::unexpected(flagged.error());
    }
    if (!options.resume.isEmpty()) {
        // The report and the outputs are where the first run put them.
        if (!options.outputFolder.isEmpty() && options.outputFolder != options.resume)
            return usageError(QStringLiteral("--resume writes into its own folder; leave out --out"));
        options.outputFolder = options.resume;
    }
    if (options.auth.isEmpty())
        options.auth = qEnvironmentVariable("QUILLMARK_AUTH");
    return options;
}

} // namespace qm::cli
