#pragma once

#include <QString>

#include "run/OptionTable.h"

namespace qm::run {

// What the option table shows of itself: each command's --help, the program's own help, the man page's
// synopsis and option sections (roff) and the bash completion.
QString CommandHelp(Command command);
// `program` is the name the commands are started by: quillmark, or quillmark-cli on a server.
QString ProgramHelp(bool desktop, const QString& program = QStringLiteral("quillmark"));
QString ManSynopsis();
QString ManOptions();
QString BashCompletion();

} // namespace qm::run
