// What a failed page's row says: one short line in the user's words, whatever the browser said.
#include "capture/PageFailure.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using namespace std::chrono_literals;

struct ReasonCase
{
    const char* name;
    Error::Code code;
    QString raw;
    bool limitReached;
    QString expected;
};

class PageReason : public ::testing::TestWithParam<ReasonCase>
{
};

TEST_P(PageReason, IsOneShortLineInUserWords)
{
    const ReasonCase& c = GetParam();
    const Error reason = UserFacingFailure(Error::make(c.code, c.raw), { "http://x.test/", 60s, c.limitReached });
    EXPECT_EQ(reason.code, c.code);
    EXPECT_EQ(reason.message, c.expected);
}

const QString Long = QString(400, u'x');

INSTANTIATE_TEST_SUITE_P(Failures, PageReason,
    ::testing::Values(
        ReasonCase { "command_at_the_deadline", Error::Code::Timeout, "Runtime.evaluate timed out after 19168 ms", true,
            "the page did not finish loading within 60 s" },
        ReasonCase { "command_before_the_deadline", Error::Code::Timeout, "Runtime.evaluate timed out after 30 s",
            false, "the page stopped responding" },
        ReasonCase { "protocol_error", Error::Code::Protocol, "Page.navigate failed: Cannot navigate", false,
            "the browser could not convert the page" },
        ReasonCase { "browser_killed", Error::Code::BrowserGone,
            "Page.captureScreenshot got no answer: the browser ended unexpectedly (killed by signal 9)", false,
            "the browser ended unexpectedly (killed by signal 9)" },
        ReasonCase { "address_and_long_lines", Error::Code::Io, "http://x.test/: " + Long + "\nmore", false,
            Long.left(299) + QChar(0x2026) }),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace qm
