#pragma once

#include <QByteArray>
#include <QString>

#include "platform/Error.h"

namespace qm {

// Settings, list and schedule files are small; anything larger than this is refused rather than
// read into memory (and never rewritten, so nothing of it is lost).
inline constexpr qint64 MaxTextFileSize = 32 * 1024 * 1024;

// The whole content of a regular file of at most `limit` bytes. A missing file is NotFound; a folder,
// device or pipe is Io; a larger file is Unsupported.
Result<QByteArray> ReadTextFile(const QString& path, qint64 limit = MaxTextFileSize);

// Replaces the file in one step (temporary file in the same folder, then rename), so a crash or a
// full disk leaves either the old or the new content. An existing file keeps its permissions.
Result<void> WriteFileAtomically(const QString& path, const QByteArray& bytes);

} // namespace qm
