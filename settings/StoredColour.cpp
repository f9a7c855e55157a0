#include "settings/StoredColour.h"

namespace qm {

QColor ColourFromStoredValue(qint64 value)
{
    return QColor(int(value & 0xff), int((value >> 8) & 0xff), int((value >> 16) & 0xff));
}

qint64 StoredValueFromColour(const QColor& colour)
{
    return qint64(colour.red()) | (qint64(colour.green()) << 8) | (qint64(colour.blue()) << 16);
}

} // namespace qm
