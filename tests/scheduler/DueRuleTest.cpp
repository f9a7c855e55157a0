#include "scheduler/DueRule.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

QDateTime at(const char* text, int ms = 0)
{
    return QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd HH:mm:ss")).addMSecs(ms);
}

struct DueCase
{
    const char* name;
    QDateTime previous;
    QDateTime now;
    QList<DueCandidate> tasks;
    QList<int> due;
};

class DueRuleTable : public ::testing::TestWithParam<DueCase>
{
};

TEST_P(DueRuleTable, PicksTheTasksThatFellDue)
{
    const DueCase& c = GetParam();
    EXPECT_EQ(DueTasks(c.previous, c.now, c.tasks), c.due);
}

const QString Nine = QStringLiteral("2026-12-06 21:38:00");

INSTANTIATE_TEST_SUITE_P(Scheduler, DueRuleTable,
    ::testing::Values(DueCase { "tick_within_the_second", at("2026-12-06 21:37:59", 400),
                          at("2026-12-06 21:38:00", 400), { { Nine, {} } }, { 0 } },
        DueCase { "late_tick_skipping_the_second", at("2026-12-06 21:37:59", 900), at("2026-12-06 21:38:02", 100),
            { { Nine, {} } }, { 0 } },
        DueCase { "tick_before_the_second", at("2026-12-06 21:37:58", 900), at("2026-12-06 21:37:59", 900),
            { { Nine, {} } }, {} },
        DueCase { "start_equal_to_the_previous_tick_ran_then", at("2026-12-06 21:38:00"), at("2026-12-06 21:38:01"),
            { { Nine, {} } }, {} },
        DueCase {
            "start_equal_to_this_tick", at("2026-12-06 21:37:59"), at("2026-12-06 21:38:00"), { { Nine, {} } }, { 0 } },
        DueCase { "two_tasks_in_the_same_second_both_run_in_list_order", at("2026-12-06 21:37:59", 500),
            at("2026-12-06 21:38:00", 500),
            { { Nine, {} }, { QStringLiteral("2026-12-06 21:39:00"), {} }, { Nine, {} } }, { 0, 2 } },
        DueCase { "past_when_the_program_started", at("2026-12-06 21:38:00", 300), at("2026-12-06 21:38:01", 300),
            { { Nine, {} } }, {} },
        DueCase { "past_when_added_during_a_long_capture", at("2026-12-06 21:37:00"), at("2026-12-06 21:39:00"),
            { { Nine, at("2026-12-06 21:38:30") } }, {} },
        DueCase { "added_before_its_start", at("2026-12-06 21:37:00"), at("2026-12-06 21:39:00"),
            { { Nine, at("2026-12-06 21:37:30") } }, { 0 } },
        DueCase { "unparsable_texts_never_run", at("2026-12-06 21:37:00"), at("2026-12-06 21:39:00"),
            { { QString(), {} }, { QStringLiteral("soon"), {} }, { QStringLiteral("2026-13-45 21:38:00"), {} },
                { QStringLiteral("2026-12-06 25:38:00"), {} }, { Nine, {} } },
            { 4 } },
        DueCase { "long_capture_spanning_several_due_times_runs_them_by_start_time", at("2026-12-06 21:37:00"),
            at("2026-12-06 21:40:00"),
            { { QStringLiteral("2026-12-06 21:39:30"), {} }, { QStringLiteral("2026-12-06 21:37:10"), {} },
                { QStringLiteral("2026-12-06 21:41:00"), {} }, { Nine, {} } },
            { 1, 3, 0 } },
        DueCase { "regional_form_of_the_same_moment", at("2026-12-06 21:37:59", 500), at("2026-12-06 21:38:00", 500),
            { { QStringLiteral("12/6/2026 9:38:00 PM"), {} } }, { 0 } },
        DueCase { "clock_set_back_finds_nothing", at("2026-12-06 21:39:00"), at("2026-12-06 21:37:00"),
            { { Nine, {} } }, {} }),
    [](const ::testing::TestParamInfo<DueCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace qm
