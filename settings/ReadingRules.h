#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// How stored setting values are interpreted. Every reader of settings goes through these three rules,
// so that a missing key never counts as 0 or as 1.
namespace qm::rules {

// The leading number of the text (optional blanks, sign, digits, decimal point, exponent) in double
// precision; 0 when the text does not begin with a number (the empty text included).
double readAsNumber(QStringView text);

// The number rounded to the nearest integer, halves to the even neighbour (12.5 gives 12, 13.5 gives
// 14); nullopt when it does not fit a 32-bit integer or is not finite.
std::optional<qint32> toInteger(double value);

// True when the whole text, blanks around it allowed, is a number equal to n. "0" and " 0" equal 0,
// "01" equals 1; the empty text and any other text equal no number.
bool equalsNumber(QStringView text, double n);

} // namespace qm::rules
