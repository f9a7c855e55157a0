#include "settings/OutputFormatTable.h"

#include <array>

namespace qm {

namespace {

using L = QLatin1String;
using K = OutputKind;

constexpr std::array<OutputFormatRow, 8> Rows { {
    { L("BMP"), K::Bitmap, L(), L(), L(), std::nullopt, L("Image") },
    { L("JPG"), K::Picture, L(".jpg"), L("jpg"), L("jpg"), std::nullopt, L("Image") },
    { L("GIF"), K::Picture, L(".gif"), L("gif"), L("gif"), std::nullopt, L("Image") },
    { L("PNG"), K::Picture, L(".png"), L("png"), L("png"), std::nullopt, L("Image") },
    { L("TIFF"), K::Picture, L(".tiff"), L("tiff"), L("tiff"), 80, L("Image") },
    { L("WEBP"), K::Picture, L(".webp"), L("webp"), L("webp"), std::nullopt, L("Image") },
    { L("PDF"), K::Pdf, L(".pdf"), L("pdf"), L(), std::nullopt, L("PDF") },
    { L("TXT"), K::Text, L(".txt"), L("txt"), L(), std::nullopt, L("TEXT") },
} };

} // namespace

std::span<const OutputFormatRow> OutputFormatRows()
{
    return Rows;
}

const OutputFormatRow* FindOutputFormat(QStringView name)
{
    for (const OutputFormatRow& row : Rows)
        if (name == row.name)
            return &row;
    return nullptr;
}

QString OutputFormatNamesText()
{
    QString text;
    for (qsizetype i = 0; i < qsizetype(Rows.size()); ++i) {
        if (i > 0)
            text += i + 1 == qsizetype(Rows.size()) ? QLatin1String(" or ") : QLatin1String(", ");
        text += Rows[size_t(i)].name;
    }
    return text;
}

QStringList DialogOutputTypes()
{
    QStringList types;
    for (const OutputFormatRow& row : Rows)
        if (!row.dialogType.isEmpty() && !types.contains(row.dialogType))
            types.append(row.dialogType);
    return types;
}

QStringList DialogFormatsOf(QStringView type)
{
    QStringList names;
    for (const OutputFormatRow& row : Rows)
        if (!row.dialogType.isEmpty() && type == row.dialogType)
            names.append(row.name);
    return names;
}

} // namespace qm
