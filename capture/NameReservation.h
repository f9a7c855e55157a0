#pragma once

#include <QString>

#include "platform/Error.h"

namespace qm {

// Claims a free output name by creating an empty placeholder exclusively, so that captures running
// at the same time (threads or processes) never receive the same name.
// With numbering on: `first` if free, else base_0.extension, base_1.extension ...; anything already at
// a name (a file, a folder, a link) makes it taken. The caller later renames its finished file over
// the placeholder, or removes the placeholder when the capture fails.
// With numbering off: `first` itself, to be replaced; nothing is created, so nothing is to be removed
// (an existing file there is the user's previous output).
// The folder is created when missing.
Result<QString> ReserveName(const QString& first, const QString& base, const QString& extension, bool numbering);

} // namespace qm
