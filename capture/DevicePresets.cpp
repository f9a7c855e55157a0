#include "capture/DevicePresets.h"

#include <QStringList>
#include <array>

namespace qm {

namespace {
constexpr const char* IPhoneAgent = "Mozilla/5.0 (iPhone; CPU iPhone OS 17_0 like Mac OS X) AppleWebKit/605.1.15 "
                                    "(KHTML, like Gecko) Version/17.0 Mobile/15E148 Safari/604.1";
constexpr const char* IPadAgent = "Mozilla/5.0 (iPad; CPU OS 17_0 like Mac OS X) AppleWebKit/605.1.15 (KHTML, like "
                                  "Gecko) Version/17.0 Mobile/15E148 Safari/604.1";
constexpr const char* PixelAgent = "Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 (KHTML, like Gecko) "
                                   "Chrome/120.0.0.0 Mobile Safari/537.36";
constexpr const char* GalaxyAgent = "Mozilla/5.0 (Linux; Android 13; SM-S911B) AppleWebKit/537.36 (KHTML, like "
                                    "Gecko) Chrome/120.0.0.0 Mobile Safari/537.36";
constexpr const char* TabAgent = "Mozilla/5.0 (Linux; Android 13; SM-X710) AppleWebKit/537.36 (KHTML, like Gecko) "
                                 "Chrome/120.0.0.0 Safari/537.36";

constexpr std::array Presets {
    DevicePreset { "iphone-se", QSize(375, 667), 2, true, IPhoneAgent },
    DevicePreset { "iphone-15", QSize(393, 852), 3, true, IPhoneAgent },
    DevicePreset { "iphone-15-pro-max", QSize(430, 932), 3, true, IPhoneAgent },
    DevicePreset { "pixel-8", QSize(412, 915), 2.625, true, PixelAgent },
    DevicePreset { "galaxy-s23", QSize(360, 780), 3, true, GalaxyAgent },
    DevicePreset { "ipad-mini", QSize(768, 1024), 2, true, IPadAgent },
    DevicePreset { "ipad-pro-11", QSize(834, 1194), 2, true, IPadAgent },
    DevicePreset { "galaxy-tab-s9", QSize(800, 1280), 2, true, TabAgent },
};
} // namespace

std::span<const DevicePreset> DevicePresets()
{
    return Presets;
}

const DevicePreset* FindDevicePreset(const QString& name)
{
    for (const DevicePreset& preset : Presets) {
        if (name.trimmed().compare(QLatin1String(preset.name), Qt::CaseInsensitive) == 0)
            return &preset;
    }
    return nullptr;
}

QString DevicePresetNamesText()
{
    QStringList names;
    for (const DevicePreset& preset : Presets)
        names.append(QLatin1String(preset.name));
    return names.join(QStringLiteral(", "));
}

} // namespace qm
