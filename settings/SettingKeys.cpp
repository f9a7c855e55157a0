#include "settings/SettingKeys.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "settings/ReadingRules.h"

namespace qm {

std::span<const SettingKey* const> AllSettingKeys()
{
    using namespace keys;
    static constexpr std::array all { &OutputType, &OutputFormat, &Quality, &OutputFolder, &FileName, &DateTime,
        &NameChoice, &ExistingFileRule, &Timeout, &Delay, &Scripts, &Java, &ActiveX, &Thumbnail, &ThumbnailPercent,
        &Jobs, &AllowFiles, &HttpErrors, &Report, &Retries, &TaggedPdf, &TextWatermark, &WatermarkText, &TextPlacement,
        &TextX, &TextY, &TextSize, &TextQuality, &TextFont, &TextRotate, &TextTransparency, &TextColor, &ImageWatermark,
        &WatermarkPicture, &ImagePlacement, &ImageX, &ImageY, &WatermarkKeyColour, &WatermarkKeyTolerance,
        &ImageOpacity, &ExpandScrollers, &MaxHeight, &Scale, &Width, &Height, &Device, &WaitFor, &PageDelay, &Selector,
        &Hide, &Remove, &NoOverlays, &Style, &Script, &UserAgent, &Headers, &Cookies, &ColorScheme, &ReducedMotion,
        &Block, &Auth };
    return all;
}

QString ReadText(const SettingsSource& s, const SettingKey& key)
{
    return s.read(key.sectionName(), key.keyName());
}

double ReadNumber(const SettingsSource& s, const SettingKey& key)
{
    return rules::readAsNumber(ReadText(s, key));
}

std::optional<qint32> ReadInteger(const SettingsSource& s, const SettingKey& key)
{
    return rules::toInteger(ReadNumber(s, key));
}

bool ReadFlag(const SettingsSource& s, const SettingKey& key)
{
    return ReadEquals(s, key, 1);
}

bool ReadEquals(const SettingsSource& s, const SettingKey& key, double n)
{
    return rules::equalsNumber(ReadText(s, key), n);
}

int ClampJobs(double number)
{
    if (std::isnan(number))
        return 1;
    const std::optional<qint32> jobs = rules::toInteger(number);
    if (!jobs)
        return number > 0 ? MostJobs : 1;
    return std::clamp<int>(*jobs, 1, MostJobs);
}

std::chrono::seconds ClampPageTimeout(double seconds)
{
    // A fraction of a second still means "some time": never round a positive limit down to none.
    if (!(seconds >= 1))
        return std::chrono::seconds { 1 };
    return std::chrono::seconds { qint64(std::min<double>(seconds, double(LongestPageTimeout.count()))) };
}

int ClampQuality(double quality)
{
    if (std::isnan(quality))
        return 0;
    const std::optional<qint32> whole = rules::toInteger(quality);
    if (!whole)
        return quality > 0 ? 100 : 0;
    return std::clamp<int>(*whole, 0, 100);
}

bool JobsAreAutomatic(const QString& stored)
{
    const QString text = stored.trimmed();
    return text.isEmpty() || text.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0;
}

int AutomaticJobs(const MachineResources& machine)
{
    constexpr qint64 GiB = qint64(1) << 30;
    int jobs = machine.cores;
    // The browser itself keeps about a GiB; an unknown amount limits nothing.
    if (machine.availableMemory > 0)
        jobs = std::min<qint64>(jobs, std::max<qint64>(1, (machine.availableMemory - GiB) / GiB));
    return std::clamp(jobs, 1, MostJobs);
}

int ReadJobs(const SettingsSource& s, const MachineResources& machine)
{
    if (JobsAreAutomatic(ReadText(s, keys::Jobs)))
        return AutomaticJobs(machine);
    return ClampJobs(ReadNumber(s, keys::Jobs));
}

std::chrono::seconds ReadPageTimeout(const SettingsSource& s)
{
    constexpr std::chrono::seconds fallback { 60 };
    const double number = ReadNumber(s, keys::Timeout);
    if (!(number > 0))
        return fallback;
    return ClampPageTimeout(number);
}

int ClampRetries(double number)
{
    if (!(number > 0))
        return 0;
    return number >= MostRetries ? MostRetries : int(number);
}

int ReadRetries(const SettingsSource& s)
{
    return ClampRetries(ReadNumber(s, keys::Retries));
}

} // namespace qm
