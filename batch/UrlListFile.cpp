#include "batch/UrlListFile.h"

#include "settings/TextFile.h"

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
    return ParseUrlList(*bytes);
}

} // namespace qm
