#include "settings/ReadingRules.h"

#include <QByteArray>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace qm::rules {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Length of the number at the start of `text` (after `from`), or 0 when there is none.
qsizetype numberLength(QStringView text, qsizetype from)
{
    qsizetype p = from;
    const qsizetype size = text.size();
    if (p < size && (text[p] == u'+' || text[p] == u'-'))
        ++p;
    qsizetype digits = 0;
    while (p < size && isDigit(text[p])) {
        ++p;
        ++digits;
    }
    if (p < size && text[p] == u'.') {
        ++p;
        while (p < size && isDigit(text[p])) {
            ++p;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    // An exponent counts only with its digits: "1e" is the number 1 followed by text.
    if (p < size && (text[p] == u'e' || text[p] == u'E')) {
        qsizetype q = p + 1;
        if (q < size && (text[q] == u'+' || text[q] == u'-'))
            ++q;
        if (q < size && isDigit(text[q])) {
            while (q < size && isDigit(text[q]))
                ++q;
            p = q;
        }
    }
    return p - from;
}

double toDouble(QStringView number)
{
    // The number holds only ASCII characters; strtod with the C locale's decimal point would depend
    // on the process locale, QByteArray::toDouble does not.
    bool ok = false;
    const double value = number.toLatin1().toDouble(&ok);
    if (ok)
        return value;
    // Out of double's range: toDouble refuses, the sign and size still say where it goes.
    const bool negative = number.startsWith(u'-');
    const qsizetype e = number.indexOf(u'e', 0, Qt::CaseInsensitive);
    const bool tiny = e >= 0 && number.sliced(e + 1).startsWith(u'-');
    const double magnitude = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    return negative ? -magnitude : magnitude;
}

} // namespace

double readAsNumber(QStringView text)
{
    qsizetype from = 0;
    while (from < text.size() && isBlank(text[from]))
        ++from;
    const qsizetype length = numberLength(text, from);
    return length == 0 ? 0.0 : toDouble(text.sliced(from, length));
}

std::optional<qint32> toInteger(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    // nearbyint follows the default rounding mode: to nearest, ties to even.
    const double rounded = std::nearbyint(value);
    if (rounded < std::numeric_limits<qint32>::min() || rounded > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(rounded);
}

bool equalsNumber(QStringView text, double n)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && isBlank(text[from]))
        ++from;
    while (to > from && isBlank(text[to - 1]))
        --to;
    const qsizetype length = numberLength(text, from);
    if (length == 0 || from + length != to)
        return false;
    return toDouble(text.sliced(from, length)) == n;
}

} // namespace qm::rules
