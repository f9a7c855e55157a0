#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "settings/ReadingRules.h"
#include "tests/foundation/FileHelpers.h"

namespace qm {
namespace {

TEST(ReadingRules, ReadAsNumberTakesTheLeadingNumber)
{
    struct Case
    {
        const char* text;
        double expected;
    };
    const Case cases[] = {
        { "", 0 },
        { "abc", 0 },
        { "-", 0 },
        { ".", 0 },
        { "e5", 0 },
        { "42", 42 },
        { "  42", 42 },
        { "\t7", 7 },
        { "+3", 3 },
        { "-2.5", -2.5 },
        { ".5", 0.5 },
        { "5.", 5 },
        { "12px", 12 },
        { "1e3", 1000 },
        { "1E-2x", 0.01 },
        { "1e", 1 },
        { "1e+", 1 },
        { "2.5.5", 2.5 },
        { "0x10", 0 },
        { "3 4", 3 },
        { "16777215", 16777215 },
        { "1,5", 1 },
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(rules::readAsNumber(QString::fromLatin1(c.text)), c.expected) << '"' << c.text << '"';
    // Beyond double's range the sign still counts.
    EXPECT_EQ(rules::readAsNumber(u"1e999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(rules::readAsNumber(u"-1e999"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(rules::readAsNumber(u"1e-999"), 0.0);
    // Words like inf and nan are text, not numbers.
    EXPECT_EQ(rules::readAsNumber(u"inf"), 0.0);
    EXPECT_EQ(rules::readAsNumber(u"nan"), 0.0);
}

TEST(ReadingRules, ToIntegerRoundsHalvesToEven)
{
    struct Case
    {
        double value;
        std::optional<qint32> expected;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        { 12.5, 12 },
        { 13.5, 14 },
        { -12.5, -12 },
        { -13.5, -14 },
        { 0.5, 0 },
        { 1.5, 2 },
        { 2.4999, 2 },
        { 2.5001, 3 },
        { -0.4, 0 },
        { 2147483647.0, 2147483647 },
        { 2147483647.4, 2147483647 },
        { -2147483648.0, -2147483647 - 1 },
        { 2147483648.0, std::nullopt },
        { -2147483649.0, std::nullopt },
        { inf, std::nullopt },
        { -inf, std::nullopt },
        { std::nan(""), std::nullopt },
    };
    for (const Case& c : cases)
        EXPECT_EQ(rules::toInteger(c.value), c.expected) << c.value;
}

TEST(ReadingRules, EqualsNumberNeedsTheWholeText)
{
    struct Case
    {
        const char* text;
        double n;
        bool expected;
    };
    const Case cases[] = {
        { "0", 0, true },
        { " 0", 0, true },
        { "0 ", 0, true },
        { "\t1\t", 1, true },
        { "01", 1, true },
        { "1.0", 1, true },
        { "1e0", 1, true },
        { "+1", 1, true },
        { "-0", 0, true },
        { "0.0", 0, true },
        { "", 0, false },
        { " ", 0, false },
        { "1", 0, false },
        { "0x", 0, false },
        { "1 1", 1, false },
        { "on", 1, false },
        { "true", 1, false },
        { "1e", 1, false },
        { ".", 0, false },
        { "1.5", 1, false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(rules::equalsNumber(QString::fromLatin1(c.text), c.n), c.expected)
            << '"' << c.text << "\" vs " << c.n;
}

} // namespace
} // namespace qm
