#pragma once

#include <QColor>

namespace qm {

// Colours as settings.dat keeps them ("textcolor", "Itransparency"): one number, red in the low byte and
// blue in the high one (255 is red, 16711680 blue).
QColor ColourFromStoredValue(qint64 value);
qint64 StoredValueFromColour(const QColor& colour);

} // namespace qm
