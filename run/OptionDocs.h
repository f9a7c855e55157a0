#pragma once

#include <QString>

#include "run/OptionTable.h"

namespace qm::run {

// What the option table shows of itself: each command's --help, the program's own help, the man page's
// synopsis and option sections (roff) and the bash completion.
QString CommandHelp(Command command);
QString ProgramHelp(bool desktop);
QString ManSynopsis();
QString ManOptions();
QString BashCompletion();

} // namespace qm::run
