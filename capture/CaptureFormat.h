#pragma once

#include <QString>
#include <optional>

#include "settings/OutputFormatTable.h"

namespace qm {

class SettingsSource;

// What the "outputformat" setting makes (its table: settings/OutputFormatTable.h). Only the exact
// upper-case texts name a format; anything else, "jpg" in lower case and a missing key included, leaves
// the intermediate BMP as the output.
struct OutputFormat
{
    using Kind = OutputKind;

    Kind kind = Kind::Bitmap;
    QString extension; // ".jpg", ".gif", ".tiff", ".png", ".webp", ".pdf", ".txt"; empty for Bitmap
    QString numbering; // extension used when numbering: "jpg" ...
    QString encoder; // EncodePicture's format for pictures: "jpg", "gif", "tiff", "png", "webp"
    std::optional<int> fixedQuality; // TIFF ignores the "quality" setting

    static OutputFormat fromSetting(const QString& value);
};

// The "quality" setting: the leading number, rounded halves to even, held to 0..100; 0 when not a number.
int ReadQuality(const SettingsSource& settings);

} // namespace qm
