#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include "platform/VisibleText.h"

namespace qm {
namespace {

using namespace Qt::StringLiterals;

TEST(VisibleText, EscapesWhatDrivesATerminalOrTurnsTextAndLeavesTheRest)
{
    const struct
    {
        QString text;
        QString shown;
    } cases[] = {
        { u"plain text, ü, 日本, 🙂"_s, u"plain text, ü, 日本, 🙂"_s },
        { u"red\x1b[31m"_s, u"red\\x1b[31m"_s },
        { u"a\tb\nc\rd"_s + QChar(0) + u"e"_s, u"a\\x09b\\x0ac\\x0dd\\x00e"_s },
        { u"del\x7f c1\u0085\u009b"_s, u"del\\x7f c1\\x85\\x9b"_s },
        { u"line\u2028para\u2029"_s, u"line\\u2028para\\u2029"_s },
        { u"\u202aembed\u202eoverride\u2066isolate\u2069"_s, u"\\u202aembed\\u202eoverride\\u2066isolate\\u2069"_s },
        { u"\u00a0no-break and \u200b zero width stay"_s, u"\u00a0no-break and \u200b zero width stay"_s },
    };
    for (const auto& c : cases)
        EXPECT_EQ(VisibleText(c.text), c.shown) << c.shown.toStdString();
}

TEST(VisibleText, JsonKeepsItsValueWithTheSameCharactersEscaped)
{
    const QString hostile = u"x\x1b[2J\x7f\u009b\u202e\u2069\u2028 é"_s;
    const QByteArray json
        = TerminalSafeJson(QJsonDocument(QJsonObject { { "t", hostile } }).toJson(QJsonDocument::Compact));
    EXPECT_EQ(json, R"({"t":"x\u001b[2J\u007f\u009b\u202e\u2069\u2028 é"})");
    EXPECT_EQ(QJsonDocument::fromJson(json).object().value("t").toString(), hostile);
}

} // namespace
} // namespace qm
