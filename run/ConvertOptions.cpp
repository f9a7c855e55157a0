#include "run/ConvertOptions.h"

#include <QDir>
#include <QFileInfo>

#include "capture/DevicePresets.h"
#include "capture/PageControls.h"
#include "capture/output/ScrollerExpansion.h"
#include "run/ArgumentReader.h"
#include "run/BrowserPool.h"
#include "settings/OutputFormatTable.h"
#include "settings/SettingKeys.h"

namespace qm::run {

namespace {

Result<void> usage(const QString& message)
{
    return fail(Error::Code::Usage, message);
}

Result<void> refused(const char* option, const QString& what, const QString& value)
{
    return usage(QStringLiteral("--%1 takes %2, not \"%3\"").arg(QLatin1String(option), what, value));
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

// The options that say what the run does and where; the last of a repeated one counts.
Result<void> readRun(const ArgumentReader& in, const QString& workingFolder, ConvertOptions& o)
{
    if (in.isSet("list"))
        o.listFile = absolute(in.value("list"), workingFolder);
    if (in.isSet("format")) {
        o.format = in.value("format").toUpper();
        if (!FindOutputFormat(o.format))
            return usage(QStringLiteral("unknown format \"%1\" (%2)").arg(in.value("format"), OutputFormatNamesText()));
    }
    if (in.isSet("out"))
        o.outputFolder = absolute(in.value("out"), workingFolder);
    if (in.isSet("jobs")) {
        const QString v = in.value("jobs");
        const auto jobs = wholeNumber(v);
        if (v.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0)
            o.jobs = AutomaticJobs(MachineResources::probe());
        else if (!jobs || *jobs < 1 || *jobs > MostJobs)
            return refused("jobs", QStringLiteral("a whole number from 1 to %1 or \"auto\"").arg(MostJobs), v);
        else
            o.jobs = *jobs;
    }
    if (in.isSet("timeout")) {
        bool ok = false;
        const double seconds = in.value("timeout").toDouble(&ok);
        if (!ok || !(seconds >= 1 && seconds <= double(LongestPageTimeout.count())))
            return refused("timeout",
                QStringLiteral("a number of seconds from 1 to %1").arg(LongestPageTimeout.count()),
                in.value("timeout"));
        o.timeout = QString::number(ClampPageTimeout(seconds).count());
    }
    if (in.isSet("width")) {
        const auto width = wholeNumber(in.value("width"));
        if (!width || *width < SmallestViewport || *width > LargestViewport)
            return refused("width", QStringLiteral("a whole number of pixels from 100 to 16384"), in.value("width"));
        o.width = *width;
        o.widthGiven = true;
    }
    if (in.isSet("expand")) {
        if (!ScrollerExpansionFromText(in.value("expand")))
            return refused("expand", QStringLiteral("all, page or none"), in.value("expand"));
        o.expand = in.value("expand").trimmed().toLower();
    }
    if (in.isSet("max-height")) {
        const auto height = wholeNumber(in.value("max-height"));
        if (!height || *height < 1)
            return refused("max-height", QStringLiteral("a whole number of pixels above 0"), in.value("max-height"));
        o.maxHeight = QString::number(*height);
    }
    for (const QString& browser : in.values("browser"))
        o.browsers.append(BrowserArgument(browser, workingFolder));
    if (in.isSet("home"))
        o.home = absolute(in.value("home"), workingFolder);
    if (in.isSet("http-errors")) {
        const QString v = in.value("http-errors");
        if (v != QLatin1String("capture") && v != QLatin1String("fail"))
            return refused("http-errors", QStringLiteral("fail or capture"), v);
        o.httpErrors = v == QLatin1String("capture") ? QStringLiteral("1") : QStringLiteral("0");
    }
    for (const QString& folder : in.values("allow-files")) {
        if (folder.contains(u';'))
            return usage(QStringLiteral("--allow-files needs a folder (or \"all\"), one per option"));
        o.allowFiles.append(
            folder.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0 ? folder : absolute(folder, workingFolder));
    }
    if (in.isSet("retry")) {
        const auto retries = wholeNumber(in.value("retry"));
        if (!retries || *retries < 0 || *retries > MostRetries)
            return refused("retry", QStringLiteral("a whole number from 0 to %1").arg(MostRetries), in.value("retry"));
        o.retries = *retries;
    }
    if (in.isSet("resume")) {
        o.resume = absolute(in.value("resume"), workingFolder);
        o.report = true;
        // The report and the outputs are where the first run put them.
        if (!o.outputFolder.isEmpty() && o.outputFolder != o.resume)
            return usage(QStringLiteral("--resume writes into its own folder; leave out --out"));
        o.outputFolder = o.resume;
    }
    return {};
}

// The options of the "page" section.
Result<void> readPage(const ArgumentReader& in, const QString& workingFolder, ConvertOptions& o)
{
    if (in.isSet("scale")) {
        bool ok = false;
        const double scale = in.value("scale").toDouble(&ok);
        if (!ok || !(scale >= 1 && scale <= MostScale))
            return refused("scale", QStringLiteral("a number from 1 to 4"), in.value("scale"));
        o.scale = in.value("scale").trimmed();
    }
    if (in.isSet("height")) {
        const auto height = wholeNumber(in.value("height"));
        if (!height || *height < SmallestViewport || *height > LargestViewport)
            return refused("height", QStringLiteral("a whole number of pixels from 100 to 16384"), in.value("height"));
        o.height = QString::number(*height);
    }
    if (in.isSet("device")) {
        const QString v = in.value("device");
        if (v == QLatin1String("list"))
            o.listDevices = true;
        else if (!FindDevicePreset(v))
            return usage(QStringLiteral("unknown device \"%1\" (%2)").arg(v, DevicePresetNamesText()));
        o.device = v.trimmed().toLower();
    }
    if (in.isSet("delay")) {
        const auto ms = wholeNumber(in.value("delay"));
        if (!ms || *ms < 0)
            return refused("delay", QStringLiteral("a whole number of milliseconds"), in.value("delay"));
        o.delay = QString::number(*ms);
    }
    o.waitFor = in.value("wait-for");
    o.selector = in.value("selector");
    o.hide = in.values("hide");
    o.remove = in.values("remove");
    o.userAgent = in.value("user-agent");
    for (const auto& [name, target] :
        { std::pair { "style", &o.style }, std::pair { "script", &o.script }, std::pair { "cookies", &o.cookies } }) {
        if (!in.isSet(name))
            continue;
        const QString path = absolute(in.value(name), workingFolder);
        const QFileInfo info(path);
        if (!info.isFile() || !info.isReadable())
            return usage(QStringLiteral("--%1: cannot read %2").arg(QLatin1String(name), path));
        *target = path;
    }
    for (const QString& header : in.values("header")) {
        if (header.contains(u'|'))
            return usage(QStringLiteral("--header: a header may not hold '|'"));
        if (auto parsed = ParseHeaderLine(header); !parsed)
            return usage(QStringLiteral("--header: %1").arg(parsed.error().message));
        o.headers.append(header.trimmed());
    }
    if (in.isSet("auth")) {
        if (!in.value("auth").contains(u':'))
            return usage(QStringLiteral("--auth takes USER:PASSWORD"));
        o.auth = in.value("auth");
    }
    if (in.isSet("color-scheme")) {
        const QString v = in.value("color-scheme");
        if (v != QLatin1String("light") && v != QLatin1String("dark"))
            return refused("color-scheme", QStringLiteral("light or dark"), v);
        o.colorScheme = v;
    }
    for (const QString& pattern : in.values("block")) {
        if (pattern.contains(u','))
            return usage(QStringLiteral("--block: one pattern per option, without ','"));
        o.block.append(pattern.trimmed());
    }
    o.noOverlays = in.isSet("no-overlays");
    o.reducedMotion = in.isSet("reduced-motion");
    return {};
}

} // namespace

Result<ConvertOptions> ReadConvertOptions(const ArgumentReader& in, const QString& workingFolder)
{
    ConvertOptions o;
    o.help = in.isSet("help");
    if (o.help)
        return o;
    o.addresses = in.positional();
    if (auto read = readRun(in, workingFolder, o); !read)
        return std::unexpected(read.error());
    if (auto read = readPage(in, workingFolder, o); !read)
        return std::unexpected(read.error());
    o.taggedPdf = in.isSet("tagged-pdf");
    o.report = o.report || in.isSet("report");
    o.json = in.isSet("json");
    o.quiet = in.isSet("quiet");
    o.verbose = in.isSet("verbose");
    if (o.auth.isEmpty())
        o.auth = qEnvironmentVariable("QUILLMARK_AUTH");
    return o;
}

Result<ConvertOptions> ReadConvertOptions(const QStringList& arguments, const QString& workingFolder)
{
    ArgumentReader reader(Command::Convert);
    if (auto read = reader.read(arguments); !read)
        return std::unexpected(read.error());
    return ReadConvertOptions(reader, workingFolder);
}

} // namespace qm::run
