#include "capture/CaptureFormat.h"

#include "settings/SettingKeys.h"
#include "settings/SettingsSource.h"

namespace qm {

OutputFormat OutputFormat::fromSetting(const QString& value)
{
    using K = Kind;
    if (value == QLatin1String("JPG"))
        return { K::Picture, QStringLiteral(".jpg"), QStringLiteral("jpg"), QStringLiteral("jpg"), std::nullopt };
    if (value == QLatin1String("GIF"))
        return { K::Picture, QStringLiteral(".gif"), QStringLiteral("gif"), QStringLiteral("gif"), std::nullopt };
    if (value == QLatin1String("TIFF"))
        return { K::Picture, QStringLiteral(".tiff"), QStringLiteral("tiff"), QStringLiteral("tiff"), 80 };
    if (value == QLatin1String("PNG"))
        return { K::Picture, QStringLiteral(".png"), QStringLiteral("png"), QStringLiteral("png"), std::nullopt };
    if (value == QLatin1String("PDF"))
        return { K::Pdf, QStringLiteral(".pdf"), QStringLiteral("pdf"), {}, std::nullopt };
    if (value == QLatin1String("TXT"))
        return { K::Text, QStringLiteral(".txt"), QStringLiteral("txt"), {}, std::nullopt };
    return {};
}

int ReadQuality(const SettingsSource& settings)
{
    return ClampQuality(ReadNumber(settings, keys::Quality));
}

} // namespace qm
