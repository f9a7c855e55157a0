#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "batch/UrlListText.h"
#include "platform/Error.h"

namespace qm {

// Writes a .ulf file in one step (nothing half-written is ever left). A row whose address or format
// holds a tab or line break is refused (Usage) and nothing is written: it would not read back.
Result<void> WriteUrlListFile(const QString& path, const QList<UrlListEntry>& rows);

// The addresses of a .ulf file (see ParseUrlList), UTF-8 or UTF-16 with its byte-order mark. A missing
// file is NotFound; one that cannot be read, is not a regular file, is too large or is not text (binary)
// is an error and yields nothing.
Result<QStringList> ReadUrlListFile(const QString& path);

} // namespace qm
