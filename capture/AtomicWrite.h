#pragma once

#include <QByteArray>
#include <QString>

#include "platform/Error.h"

namespace qm {

// Writes `bytes` to a temporary file beside `path` and renames it over `path`: a reader sees the old
// file or the whole new one, and a failure leaves no partial file.
Result<void> WriteFileAtomically(const QString& path, const QByteArray& bytes);

// Renames `from` over `to`, replacing a file (a reserved placeholder) that is there.
Result<void> ReplaceFile(const QString& from, const QString& to);

} // namespace qm
