#pragma once

#include <QString>

#include "platform/Error.h"

namespace qm {

// Where this user's sockets and runtime files live, out of every other user's reach: the session's
// $XDG_RUNTIME_DIR when it is this user's own, else runtime-quillmark-<uid> in the temporary folder,
// made with mode 0700 when missing. A folder that is a link, belongs to someone else or is open to
// others is never used: the answer then says why.
Result<QString> UserRuntimeFolder();

// `path` is a real folder (not a link), owned by this user, with no access for group or others.
Result<void> CheckPrivateFolder(const QString& path);

} // namespace qm
