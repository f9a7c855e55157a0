// Text from servers, pages and lists that would drive a terminal (colours, a window title, a cleared
// screen, reversed text) reaches neither the terminal nor the report: it is shown escaped.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "tests/faults/FaultFixture.h"
#include "tests/support/TestServer.h"

namespace qm::test {
namespace {

// Colours the rest red, then sets the terminal window's title.
const QByteArray kHostilePhrase = "Not Found\x1b[31m\x1b]0;owned\x07";
// A C1 control (CSI) and a right-to-left override, as UTF-8 (a page's title holds no C0 control).
const QByteArray kHostileTitle = "Title\xc2\x9b"
                                 "1m\xe2\x80\xae"
                                 "txt.exe";

bool Raw(const QByteArray& bytes)
{
    return bytes.contains('\x1b') || bytes.contains('\x07') || bytes.contains("\xc2\x9b")
        || bytes.contains("\xe2\x80\xae");
}

class OutsideText : public FaultCase
{
protected:
    void SetUp() override
    {
        FaultCase::SetUp();
        server.route("/gone", TestServer::Route { .status = 404, .body = "<p>gone", .reason = kHostilePhrase });
        server.page("/titled", "<!doctype html><title>" + kHostileTitle + "</title><p>a page");
        // An address of a list with control bytes in it.
        QFile list(dir.filePath("list.ulf"));
        ASSERT_TRUE(list.open(QIODevice::WriteOnly));
        list.write(server.url("/gone").toUtf8() + "\n" + server.url("/titled").toUtf8() + "\n"
            + server.url("/x").toUtf8() + "\x1b[2Jcleared\n");
    }
    TestServer server;
};

TEST_F(OutsideText, ServerAndListTextIsEscapedOnTheTerminalAndInTheReportAndKeptInJson)
{
    const QStringList common = { "--home", home(), "-o", out(), "-l", dir.filePath("list.ulf"), "--verbose" };
    const ProgramRun lines = Convert(common + QStringList { "--report" });
    ASSERT_TRUE(lines.finished);
    EXPECT_EQ(lines.exitCode, 1) << lines.err.toStdString();
    EXPECT_FALSE(Raw(lines.out)) << lines.out.toStdString();
    EXPECT_FALSE(Raw(lines.err)) << lines.err.toStdString();
    EXPECT_TRUE(lines.out.contains("HTTP 404 Not Found\\x1b[31m\\x1b]0;owned\\x07")) << lines.out.toStdString();
    EXPECT_TRUE(lines.out.contains("/x\\x1b[2Jcleared")) << lines.out.toStdString();

    const QByteArray html = ReadAll(out() + "/report.html");
    ASSERT_FALSE(html.isEmpty());
    EXPECT_FALSE(Raw(html));
    EXPECT_TRUE(html.contains("Title\\x9b1m\\u202etxt.exe")) << "the title, escaped";
    EXPECT_TRUE(html.contains("HTTP 404 Not Found\\x1b[31m\\x1b]0;owned\\x07</p>")) << "the failure's reason";

    // JSON keeps the text as it came, written with JSON's escapes.
    const ProgramRun json = Convert(common + QStringList { "--json" });
    ASSERT_TRUE(json.finished);
    EXPECT_FALSE(Raw(json.out)) << json.out.toStdString();
    EXPECT_FALSE(Raw(json.err)) << json.err.toStdString();
    const auto rows = JsonRowsByAddress(json);
    EXPECT_EQ(rows.value(server.url("/gone")).value("reason").toString().toUtf8(), "HTTP 404 " + kHostilePhrase);
    EXPECT_EQ(rows.value(server.url("/titled")).value("title").toString().toUtf8(), kHostileTitle);
    // report.json (of the first run) the same way.
    const QByteArray reportJson = ReadAll(out() + "/report.json");
    EXPECT_FALSE(Raw(reportJson));
    const QJsonObject report = QJsonDocument::fromJson(reportJson).object();
    ASSERT_EQ(report.value("rows").toArray().size(), 3);
    EXPECT_EQ(report.value("rows").toArray()[1].toObject().value("title").toString().toUtf8(), kHostileTitle);
}

} // namespace
} // namespace qm::test
