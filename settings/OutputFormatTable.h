#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <span>

#include <QLatin1String>

namespace qm {

enum class OutputKind { Picture, Pdf, Text, Bitmap };

// One "outputformat" name and what it makes.
struct OutputFormatRow
{
    QLatin1String name; // the setting's text: only this exact upper-case text names the format
    OutputKind kind;
    QLatin1String extension; // ".jpg", ...; empty for Bitmap, which keeps the intermediate picture's name
    QLatin1String numbering; // extension used when numbering: "jpg" ...; empty for Bitmap
    QLatin1String encoder; // EncodePicture's format for pictures: "jpg", "gif", "tiff", "png", "webp"
    std::optional<int> fixedQuality; // TIFF ignores the "quality" setting
    QLatin1String dialogType; // the settings dialog's output type that lists it; empty: not offered there
};

// Every output format, in the order the dialog and the command line show them.
std::span<const OutputFormatRow> OutputFormatRows();

// The row named exactly `name`, or none ("jpg" in lower case names nothing).
const OutputFormatRow* FindOutputFormat(QStringView name);

// The names as one phrase for messages: "BMP, JPG, GIF, PNG, TIFF, WEBP, PDF or TXT".
QString OutputFormatNamesText();

// The dialog's output types, in order, and the formats it lists under `type`.
QStringList DialogOutputTypes();
QStringList DialogFormatsOf(QStringView type);

} // namespace qm
