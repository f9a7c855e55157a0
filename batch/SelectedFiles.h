#pragma once

#include <QString>
#include <QStringList>

namespace qm {

// A file dialog's multi-selection: the folder (always ending in "/") and the names in it.
struct SelectedFiles
{
    qsizetype count = 0;
    QString folder;
    QStringList names; // names[0] is the first file
};

// The dialog answers with full paths of files in one folder, in the order it returns them.
SelectedFiles ParseSelectedFiles(const QStringList& chosen);

} // namespace qm
