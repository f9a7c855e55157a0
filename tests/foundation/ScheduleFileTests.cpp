#include <QDir>

#include <gtest/gtest.h>

#include "scheduler/ScheduleFile.h"
#include "tests/foundation/FileHelpers.h"
#include "tests/support/TempHome.h"

namespace qm {
namespace {

using namespace Qt::StringLiterals;

TEST(ScheduleFile, WritesFourTabSeparatedFieldsPerLine)
{
    test::TempHome home;
    const QString path = home.file("schedule.dat");
    const QList<ScheduleTask> tasks = { { "12/6/2026 9:38:00 PM", "http://x.test/", "Waiting", "night run" },
        { "2026-12-07 08:00:00", u"/home/\u00fc.html"_s, "Done", "" } };
    ASSERT_TRUE(WriteScheduleFile(path, tasks));
    EXPECT_EQ(test::readBytes(path),
        "12/6/2026 9:38:00 PM\thttp://x.test/\tWaiting\tnight run\r\n"
        "2026-12-07 08:00:00\t/home/\xC3\xBC.html\tDone\t\r\n");
    EXPECT_EQ(ReadScheduleFile(path), tasks);

    ASSERT_TRUE(WriteScheduleFile(path, {}));
    EXPECT_EQ(test::readBytes(path), "");
}

TEST(ScheduleFile, FieldsNeverShiftIntoTheNextOne)
{
    test::TempHome home;
    const QString path = home.file("schedule.dat");
    ASSERT_TRUE(WriteScheduleFile(path, { { "2026-12-07 08:00:00", "http://x.test/\tq", "Waiting", "two\r\nlines" } }));
    const Result<QList<ScheduleTask>> read = ReadScheduleFile(path);
    ASSERT_TRUE(read.has_value());
    ASSERT_EQ(read->size(), 1);
    EXPECT_EQ(read->front(), (ScheduleTask { "2026-12-07 08:00:00", "http://x.test/ q", "Waiting", "two  lines" }));
}

TEST(ScheduleFile, ReadsShortLongAndOddLines)
{
    const struct
    {
        const char* name;
        QByteArray bytes;
        QList<ScheduleTask> tasks;
    } cases[] = {
        { "two fields", "t\turl\r\n", { { "t", "url", "", "" } } },
        { "extra fields ignored", "t\tu\ts\tc\textra\tmore\r\n", { { "t", "u", "s", "c" } } },
        { "empty line is an empty task", "a\tb\r\n\r\nc\r\n", { { "a", "b", "", "" }, {}, { "c", "", "", "" } } },
        { "CR only, last line without end", "a\tb\rc\td", { { "a", "b", "", "" }, { "c", "d", "", "" } } },
        { "empty fields kept in place", "\t\ts\t\r\n", { { "", "", "s", "" } } },
        { "single-byte text", "t\tcaf\xE9\r\n", { { "t", u"caf\u00e9"_s, "", "" } } },
        { "doubled byte-order mark", "\xEF\xBB\xBF\xEF\xBB\xBFt\tu\r\n", { { "t", "u", "", "" } } },
        { "empty file", "", {} },
    };
    test::TempHome home;
    for (const auto& c : cases) {
        test::writeBytes(home.file("schedule.dat"), c.bytes);
        EXPECT_EQ(ReadScheduleFile(home.file("schedule.dat")), c.tasks) << c.name;
    }
}

TEST(ScheduleFile, MissingFileIsAnEmptyScheduleOtherFailuresAreErrors)
{
    test::TempHome home;
    EXPECT_EQ(ReadScheduleFile(home.file("schedule.dat")), QList<ScheduleTask> {});
    EXPECT_FALSE(QFileInfo::exists(home.file("schedule.dat")));
    ASSERT_TRUE(QDir(home.path()).mkdir("folder"));
    EXPECT_FALSE(ReadScheduleFile(home.file("folder")).has_value());
    EXPECT_FALSE(WriteScheduleFile(home.file("folder"), {}).has_value());
    EXPECT_TRUE(QFileInfo(home.file("folder")).isDir());
}

TEST(ScheduleFile, StartTimesParseInFixedAndRegionalForms)
{
    const QDateTime evening(QDate(2026, 12, 6), QTime(21, 38, 0));
    const struct
    {
        const char* text;
        std::optional<QDateTime> at;
    } cases[] = {
        { "2026-12-06 21:38:00", evening },
        { "  2026-12-06   21:38:00 ", evening },
        { "2026-12-06 21:38", evening },
        { "12/6/2026 9:38:00 PM", evening },
        { "12/6/2026 9:38 PM", evening },
        { "12/06/2026 09:38:00 pm", evening },
        { "12/6/2026 21:38:00", evening },
        { "12/6/2026 9:38:00 AM", QDateTime(QDate(2026, 12, 6), QTime(9, 38, 0)) },
        { "12/6/2026 12:05:00 AM", QDateTime(QDate(2026, 12, 6), QTime(0, 5, 0)) },
        { "12/6/2026", QDateTime(QDate(2026, 12, 6), QTime(0, 0)) },
        { "6.12.2026 21:38:00", evening },
        { "", std::nullopt },
        { "soon", std::nullopt },
        { "9:38:00 PM", std::nullopt },
        { "2026-13-01 00:00:00", std::nullopt },
        { "2/30/2026 9:00:00 AM", std::nullopt },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseStartTime(QString::fromLatin1(c.text)), c.at) << '"' << c.text << '"';

    EXPECT_EQ(FormatStartTime(evening), "2026-12-06 21:38:00");
    const QDateTime odd(QDate(2031, 1, 2), QTime(3, 4, 5));
    EXPECT_EQ(ParseStartTime(FormatStartTime(odd)), odd);
}

} // namespace
} // namespace qm
