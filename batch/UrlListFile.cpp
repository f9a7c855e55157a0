#include "batch/UrlListFile.h"

#include "settings/TextFile.h"
#include "settings/TextLines.h"

namespace qm {

Result<void> WriteUrlListFile(const QString& path, const QList<UrlListEntry>& rows)
{
    if (const qsizetype bad = FirstUnwritableRow(rows); bad >= 0)
        return fail(Error::Code::Usage,
            QStringLiteral("row %1 holds a tab or line break and cannot be saved: %2")
                .arg(bad + 1)
                .arg(rows[bad].address));
    return WriteFileAtomically(path, FormatUrlList(rows));
}

Result<QStringList> ReadUrlListFile(const QString& path)
{
    const Result<QByteArray> bytes = ReadTextFile(path);
    if (!bytes)
        return std::unexpected(bytes.error());
    const std::optional<QByteArray> text = text::AsUtf8Text(*bytes);
    if (!text)
        return fail(Error::Code::Unsupported, QStringLiteral("%1 is not a list of addresses").arg(path));
    return ParseUrlList(*text);
}

} // namespace qm
