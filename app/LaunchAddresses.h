#pragma once

#include <QString>
#include <QStringList>

namespace qm::app {

// The list rows for the files and addresses the desktop program is started with ("Open with
// Quillmark" in a file manager). A file:// address or a path naming a file becomes the file's absolute
// path, as a dropped file reads; anything else stays as given, as a typed address does.
QStringList LaunchAddresses(const QStringList& arguments, const QString& workingFolder);

} // namespace qm::app
