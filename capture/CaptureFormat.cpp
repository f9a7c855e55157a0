#include "capture/CaptureFormat.h"

#include "settings/SettingKeys.h"
#include "settings/SettingsSource.h"

namespace qm {

OutputFormat OutputFormat::fromSetting(const QString& value)
{
    const OutputFormatRow* row = FindOutputFormat(value);
    if (!row)
        return {};
    return { row->kind, row->extension, row->numbering, row->encoder, row->fixedQuality };
}

int ReadQuality(const SettingsSource& settings)
{
    return ClampQuality(ReadNumber(settings, keys::Quality));
}

} // namespace qm
