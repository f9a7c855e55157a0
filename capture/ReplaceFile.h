#pragma once

#include <QByteArray>
#include <QString>

#include "platform/Error.h"

namespace qm {

// Renames `from` over `to`, replacing a file (a reserved placeholder) that is there.
Result<void> ReplaceFile(const QString& from, const QString& to);

} // namespace qm
