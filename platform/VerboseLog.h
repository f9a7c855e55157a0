#pragma once

#include <QString>

namespace qm {

// Technical detail (protocol commands, the browser's own output) for those who ask for it with
// --verbose; users see short reasons instead. Off unless switched on; lines go to stderr.
void SetVerbose(bool on);
bool IsVerbose();
void VerboseLog(const QString& line);

} // namespace qm
