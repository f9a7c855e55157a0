// Parsing of `quillmark convert`'s arguments and the page addresses made from them.
#include "run/ConvertOptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "run/ProgressDisplay.h"

namespace qm::run {
namespace {

ConvertOptions parsed(const QStringList& arguments)
{
    auto options = ReadConvertOptions(arguments, QStringLiteral("/work/here"));
    EXPECT_TRUE(options.has_value()) << (options ? "" : options.error().message.toStdString());
    return options.value_or(ConvertOptions {});
}

TEST(ConvertOptions, ShortLongAndInlineFormsMeanTheSame)
{
    const ConvertOptions a = parsed({ "-f", "png", "-o", "out", "-j", "3", "-l", "list.ulf", "page.html" });
    const ConvertOptions b = parsed({ "--format=PNG", "--out", "out", "--jobs=3", "--list", "list.ulf", "page.html" });
    for (const ConvertOptions& o : { a, b }) {
        EXPECT_EQ(o.format, "PNG");
        EXPECT_EQ(o.outputFolder, "/work/here/out");
        EXPECT_EQ(o.jobs, 3);
        EXPECT_EQ(o.listFile, "/work/here/list.ulf");
        EXPECT_EQ(o.addresses, QStringList { "page.html" });
    }
}

TEST(ConvertOptions, DefaultsAndFlags)
{
    const ConvertOptions none = parsed({});
    EXPECT_EQ(none.width, 1280);
    EXPECT_FALSE(none.jobs.has_value());
    EXPECT_TRUE(none.addresses.isEmpty());
    const ConvertOptions flags = parsed({ "--json", "-q", "--timeout", "2.5", "--width", "800", "--home", "/h",
        "--expand", "ALL", "--max-height=5000" });
    EXPECT_TRUE(flags.json);
    EXPECT_TRUE(flags.quiet);
    EXPECT_EQ(flags.timeout, "2");
    EXPECT_EQ(flags.width, 800);
    EXPECT_EQ(flags.home, "/h");
    EXPECT_EQ(flags.httpErrors, "");
    EXPECT_EQ(parsed({ "--http-errors", "capture" }).httpErrors, "1");
    EXPECT_EQ(parsed({ "--http-errors=fail" }).httpErrors, "0");
    EXPECT_EQ(flags.expand, "all");
    EXPECT_EQ(flags.maxHeight, "5000");
    EXPECT_TRUE(parsed({ "--help" }).help);
    // The ends of the ranges are taken.
    EXPECT_EQ(parsed({ "-j", "1" }).jobs, 1);
    EXPECT_EQ(parsed({ "--jobs=16" }).jobs, 16);
    EXPECT_EQ(parsed({ "--timeout", "1" }).timeout, "1");
    EXPECT_EQ(parsed({ "--timeout", "86400" }).timeout, "86400");
    // A resumed run writes into the reported run's folder, with its report.
    const ConvertOptions resumed = parsed({ "--resume", "done", "--retry", "3" });
    EXPECT_EQ(resumed.outputFolder, resumed.resume);
    EXPECT_TRUE(resumed.report);
    EXPECT_EQ(resumed.retries, 3);
    // After "--" everything is an address, even what looks like an option.
    EXPECT_EQ(parsed({ "--", "-q" }).addresses, QStringList { "-q" });
}

TEST(ConvertOptions, BrowsersKeepTheirOrderAndEndpointsStayAsGiven)
{
    const ConvertOptions o = parsed({ "--browser", "ws://127.0.0.1:9222/devtools/browser/x", "--browser",
        "http://10.0.0.2:9222", "--browser", "bin/chrome" });
    EXPECT_EQ(o.browsers,
        QStringList({ "ws://127.0.0.1:9222/devtools/browser/x", "http://10.0.0.2:9222", "/work/here/bin/chrome" }));
}

struct BadCase
{
    const char* name;
    QStringList arguments;
    const char* mentions;
};

class ConvertOptionsRefused : public ::testing::TestWithParam<BadCase>
{
};

TEST_P(ConvertOptionsRefused, NamesTheCause)
{
    auto options = ReadConvertOptions(GetParam().arguments, QStringLiteral("/work/here"));
    ASSERT_FALSE(options.has_value());
    EXPECT_EQ(options.error().code, Error::Code::Usage);
    EXPECT_TRUE(options.error().message.contains(QLatin1String(GetParam().mentions)))
        << options.error().message.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Arguments, ConvertOptionsRefused,
    ::testing::Values(BadCase { "unknown_option", { "--colour" }, "unknown option --colour" },
        BadCase { "format_not_in_table", { "-f", "avif" }, "avif" },
        BadCase { "missing_value", { "--out" }, "--out needs a value" },
        BadCase { "jobs_not_number", { "-j", "two" }, "two" },
        BadCase { "timeout_text", { "--timeout", "soon" }, "soon" },
        BadCase { "jobs_none", { "--jobs", "0" }, "from 1 to 16" },
        BadCase { "jobs_beyond_sixteen", { "-j", "17" }, "from 1 to 16" },
        BadCase { "timeout_zero", { "--timeout", "0" }, "from 1 to 86400" },
        BadCase { "timeout_negative", { "--timeout=-1" }, "from 1 to 86400" },
        BadCase { "timeout_beyond_a_day", { "--timeout", "86401" }, "from 1 to 86400" },
        BadCase { "timeout_not_a_number", { "--timeout", "nan" }, "from 1 to 86400" },
        BadCase { "width_tiny", { "--width", "5" }, "100 to 16384" },
        BadCase { "expand_unknown", { "--expand", "most" }, "all, page or none" },
        BadCase { "max_height_zero", { "--max-height", "0" }, "above 0" },
        BadCase { "flag_with_value", { "--json=yes" }, "takes no value" },
        BadCase { "http_errors_unknown", { "--http-errors", "keep" }, "fail or capture" },
        BadCase { "retry_beyond_ten", { "--retry", "11" }, "0 to 10" },
        BadCase { "resume_elsewhere", { "--resume", "a", "-o", "b" }, "leave out --out" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProgressDisplay, BarShowsDoneFailedAndTimeLeft)
{
    EXPECT_EQ(ProgressDisplay::barText(0, 0, 4, 0, 80), "[" + QString(40, '-') + "] 0/4 done");
    // Two of four pages in 10 s: about 10 s left.
    const QString half = ProgressDisplay::barText(2, 1, 4, 10000, 80);
    EXPECT_TRUE(half.startsWith("[" + QString(20, '#') + QString(20, '-') + "]")) << half.toStdString();
    EXPECT_TRUE(half.endsWith(" 2/4 done, 1 failed, about 0:10 left")) << half.toStdString();
    EXPECT_TRUE(ProgressDisplay::barText(1, 0, 2, 3'700'000, 80).endsWith("about 1:01:40 left"));
    EXPECT_TRUE(ProgressDisplay::barText(4, 0, 4, 9000, 80).endsWith("] 4/4 done"));
    // A narrow terminal still gets a bar of some width.
    EXPECT_TRUE(ProgressDisplay::barText(1, 0, 4, 1000, 20).startsWith("[##"));
}

TEST(ProgressDisplay, JsonLineHasEveryField)
{
    PageOutcome picture { QStringLiteral("/o/a.png"), std::chrono::milliseconds(42), 200,
        QStringLiteral("HTTP 200 OK") };
    picture.finalAddress = QStringLiteral("http://a/b");
    picture.title = QStringLiteral("A");
    picture.pixelSize = QSize(1280, 2400);
    EXPECT_EQ(ProgressDisplay::jsonLine("http://a/", picture),
        R"({"address":"http://a/","finalAddress":"http://a/b","height":2400,"httpStatus":200,"milliseconds":42,"output":"/o/a.png","reason":"","status":"OK","title":"A","width":1280})");
    // A captured error page is OK with its status as the reason.
    const QByteArray captured = ProgressDisplay::jsonLine("http://c/",
        PageOutcome {
            QStringLiteral("/o/c.png"), std::chrono::milliseconds(5), 404, QStringLiteral("HTTP 404 Not Found") });
    EXPECT_EQ(captured,
        R"({"address":"http://c/","finalAddress":"","height":0,"httpStatus":404,"milliseconds":5,"output":"/o/c.png","reason":"HTTP 404 Not Found","status":"OK","title":"","width":0})");
    const QByteArray failed = ProgressDisplay::jsonLine(
        "http://b/", PageOutcome { fail(Error::Code::Navigation, "refused"), std::chrono::milliseconds(7) });
    EXPECT_EQ(failed,
        R"({"address":"http://b/","finalAddress":"","height":0,"httpStatus":0,"milliseconds":7,"output":null,"reason":"refused","status":"Failed","title":"","width":0})");
}

} // namespace
} // namespace qm::run
