#pragma once

#include <QByteArray>
#include <QString>

#include "platform/Error.h"

namespace qm {

// How long a write waits for the disk: Synced files are on it before they take their name (what a
// later run trusts); Flushed ones are handed to the system (what the next write makes again anyway).
enum class Durability { Flushed, Synced };

// Writes `bytes` into a new hidden file beside `path` (".NAME-XXXXXX.tmp") and renames it over `path`:
// a link planted at `path` is replaced, never followed, and a failed write leaves the old file whole and
// no temporary file behind. Every write is checked; a failure names `path` in the system's words
// ("cannot write out/report.json: No space left on device"). The file gets the permissions new files
// get (0666 less the umask).
Result<void> ReplaceFile(const QString& path, const QByteArray& bytes, Durability durability);

// Appends `bytes` in one write to the regular file at `path`, made when missing; a link there is
// refused, never followed.
Result<void> AppendToFile(const QString& path, const QByteArray& bytes, Durability durability);

// `path` as a real folder: made when missing, and a link there (planted, or left by anyone) is
// removed and replaced by a folder. Anything else that is not a folder fails.
Result<void> RealFolder(const QString& path);

// Makes a new name in the folder durable; some file systems refuse this for folders, which loses nothing.
void SyncFolder(const QString& folder);

} // namespace qm
