#include <random>

#include <gtest/gtest.h>

#include "batch/UrlListFile.h"
#include "capture/output/HtmlToPlainText.h"
#include "scheduler/ScheduleFile.h"
#include "settings/IniDocument.h"
#include "settings/IniStore.h"
#include "settings/TextLines.h"
#include "tests/foundation/FileHelpers.h"
#include "tests/support/TempHome.h"

// Seeded, bounded runs of random input through the readers: nothing may crash, and the properties that
// protect the user's data must hold for every input. The fuzz targets in tests/fuzz explore further.
namespace qm {
namespace {

constexpr int Rounds = 400;
constexpr std::mt19937::result_type Seed = 20261206;

// Bytes biased towards the characters that carry structure in these formats.
QByteArray randomBytes(std::mt19937& random, int maxSize)
{
    static const QByteArray structure = QByteArray("[]=\r\n\t ;#&<>/pPbrtd\"", 21) + QByteArray(1, '\0');
    static const QByteArray words[] = { "[set]", "[watermark]", "quality=", "Twz", "&amp;", "&yuml;", "<p>", "<body>",
        "</body>", "\xEF\xBB\xBF", "\xC3\xA9", "\xff\xfe", "\r\n", "2026-12-06 21:38:00", "12/6/2026 9:38:00 PM" };
    QByteArray bytes;
    const int size = std::uniform_int_distribution<int>(0, maxSize)(random);
    while (bytes.size() < size) {
        switch (std::uniform_int_distribution<int>(0, 3)(random)) {
        case 0:
            bytes += structure[std::uniform_int_distribution<int>(0, int(structure.size()) - 1)(random)];
            break;
        case 1:
            bytes += words[std::uniform_int_distribution<int>(0, std::size(words) - 1)(random)];
            break;
        default:
            bytes += char(std::uniform_int_distribution<int>(0, 255)(random));
        }
    }
    return bytes;
}

QString randomName(std::mt19937& random)
{
    static const QString letters = QStringLiteral("abcXYZ_ \u00e9");
    QString name;
    const int size = std::uniform_int_distribution<int>(1, 6)(random);
    for (int i = 0; i < size; ++i)
        name += letters[std::uniform_int_distribution<int>(0, int(letters.size()) - 1)(random)];
    return name.trimmed().isEmpty() ? QStringLiteral("k") : name;
}

QList<QByteArray> lineContents(const QByteArray& bytes)
{
    QList<QByteArray> lines;
    for (const text::LineSpan& span : text::SplitLines(bytes))
        lines.append(bytes.mid(span.start, span.length));
    return lines;
}

// True when `part`, less at most one element, appears in `whole` in order.
bool keptInOrder(const QList<QByteArray>& part, const QList<QByteArray>& whole)
{
    qsizetype skipped = 0;
    qsizetype w = 0;
    for (const QByteArray& line : part) {
        while (w < whole.size() && whole[w] != line)
            ++w;
        if (w == whole.size()) {
            if (++skipped > 1)
                return false;
            w = 0;
            continue;
        }
        ++w;
    }
    return true;
}

TEST(RandomInput, SettingsWritesChangeOneKeyAndKeepEveryOtherLine)
{
    std::mt19937 random(Seed);
    test::TempHome home;
    for (int round = 0; round < Rounds; ++round) {
        const QByteArray before = randomBytes(random, 600);
        const QString section = randomName(random);
        const QString key = randomName(random);
        const QString value = randomName(random).trimmed() + QStringLiteral("=[v]");
        IniDocument document(before);
        (void)document.value(randomName(random), randomName(random));
        const IniDocument::SetOutcome outcome = document.setValue(section, key, value);
        ASSERT_NE(outcome, IniDocument::SetOutcome::BadValue) << round;
        if (outcome == IniDocument::SetOutcome::BadSection || outcome == IniDocument::SetOutcome::BadKey)
            continue;
        ASSERT_EQ(document.value(section, key), value) << "round " << round;
        // The replaced key line may go; every other line stays, in order.
        const QList<QByteArray> beforeLines = lineContents(before.mid(text::BomLength(before)));
        EXPECT_TRUE(keptInOrder(beforeLines, lineContents(document.bytes().mid(text::BomLength(document.bytes())))))
            << "round " << round;

        // The same through the file, every tenth round.
        if (round % 10 == 0) {
            test::writeBytes(home.settingsPath(), before);
            ASSERT_TRUE(WriteSetting(home.settingsPath(), section, key, value)) << round;
            EXPECT_EQ(ReadSetting(home.settingsPath(), section, key), value) << round;
            EXPECT_EQ(test::readBytes(home.settingsPath()), document.bytes()) << round;
        }
    }
}

TEST(RandomInput, ListAndScheduleReadersLoadWhatTheyCanAndRoundTrip)
{
    std::mt19937 random(Seed + 1);
    test::TempHome home;
    const QString list = home.file("list.ulf");
    const QString schedule = home.file("schedule.dat");
    for (int round = 0; round < Rounds; ++round) {
        const QByteArray bytes = randomBytes(random, 800);
        const QStringList addresses = ParseUrlList(bytes);
        QList<UrlListEntry> rows;
        for (const QString& address : addresses)
            rows.append({ address, QStringLiteral("PNG") });
        ASSERT_EQ(FirstUnwritableRow(rows), -1) << round;
        EXPECT_EQ(ParseUrlList(FormatUrlList(rows)), addresses) << round;

        const QList<ScheduleTask> tasks = ParseSchedule(bytes);
        EXPECT_EQ(tasks.size(), text::SplitLines(bytes.mid(text::BomLength(bytes))).size()) << round;
        EXPECT_EQ(ParseSchedule(FormatSchedule(tasks)), tasks) << round;
        for (const ScheduleTask& task : tasks) {
            const std::optional<QDateTime> at = ParseStartTime(task.startTime);
            EXPECT_TRUE(!at || at->isValid()) << task.startTime.toStdString();
        }

        // Through the files every tenth round (each write is flushed to disk, which takes its time).
        // Files that are not text are refused whole; the rest read as their text parses.
        if (round % 10 == 0) {
            const std::optional<QByteArray> text = text::AsUtf8Text(bytes);
            test::writeBytes(list, bytes);
            const Result<QStringList> listed = ReadUrlListFile(list);
            ASSERT_EQ(listed.has_value(), text.has_value()) << round;
            if (text) {
                EXPECT_EQ(*listed, ParseUrlList(*text)) << round;
            }
            ASSERT_TRUE(WriteUrlListFile(list, rows)) << round;
            if (text::AsUtf8Text(FormatUrlList(rows))) {
                EXPECT_EQ(ReadUrlListFile(list), addresses) << round;
            }
            test::writeBytes(schedule, bytes);
            const Result<QList<ScheduleTask>> scheduled = ReadScheduleFile(schedule);
            ASSERT_EQ(scheduled.has_value(), text.has_value()) << round;
            if (text) {
                EXPECT_EQ(*scheduled, ParseSchedule(*text)) << round;
            }
            ASSERT_TRUE(WriteScheduleFile(schedule, tasks)) << round;
            if (text::AsUtf8Text(FormatSchedule(tasks))) {
                EXPECT_EQ(ReadScheduleFile(schedule), tasks) << round;
            }
        }
    }
}

TEST(RandomInput, PlainTextIsBoundedAndRepeatable)
{
    std::mt19937 random(Seed + 2);
    for (int round = 0; round < Rounds; ++round) {
        const QString html = text::DecodeLine(randomBytes(random, 1500));
        const QString text = HtmlToPlainText(html);
        // "<p>" (three characters) gives four; nothing grows more than that.
        EXPECT_LE(text.size(), html.size() * 4 / 3 + 1) << round;
        EXPECT_EQ(HtmlToPlainText(html), text) << round;
    }
}

} // namespace
} // namespace qm
