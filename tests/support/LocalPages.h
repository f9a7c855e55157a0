#pragma once

#include <QColor>
#include <QString>

namespace qm::test {

// A folder name as users make them: a space, "#", "%" and letters outside ASCII.
inline const QString kAwkwardFolder = QStringLiteral("my d#ir %\u00e9");

// Writes a page filled with `colour` at `path` (folders made as needed); returns the path.
QString WriteColourPage(const QString& path, const QColor& colour);

// True when the picture at `path` is mostly `colour` at its top left (within a small tolerance).
bool ShowsColour(const QString& path, const QColor& colour);

} // namespace qm::test
