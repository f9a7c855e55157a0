#pragma once

#include <QImage>
#include <QString>

namespace qm {

// The first `rows` rows of a PNG file, decoded row by row: a page 40,000 pixels tall costs what its top
// costs. Null when the file is not a PNG that can be read this way (interlaced, damaged).
QImage ReadPngTop(const QString& path, int rows);

} // namespace qm
