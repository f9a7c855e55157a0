// Hostile pages: each converts or fails with its reason, and the batch goes on.
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "tests/faults/FaultFixture.h"
#include "tests/support/TestServer.h"

namespace qm::test {
namespace {

TEST_F(FaultCase, DialogsPopupsAndRedirectLoopsDoNotStallTheBatch)
{
    TestServer server;
    server.page("/dialogs",
        "<!doctype html><script>alert('a');confirm('b');prompt('c');"
        "for(let i=0;i<20;i++)window.open('about:blank')</script><p>still here");
    server.route("/loop", TestServer::Route { .status = 302, .headers = { { "Location", "/loop" } } });
    server.page("/fine", "<!doctype html><p>fine");
    const ProgramRun run = Convert({ "--home", home(), "-o", out(), "--json", "--timeout", "30", server.url("/dialogs"),
        server.url("/loop"), server.url("/fine") });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    QHash<QString, QString> status;
    const auto rows = JsonRowsByAddress(run);
    for (auto row = rows.cbegin(); row != rows.cend(); ++row)
        status.insert(row.key(), row->value("status").toString());
    EXPECT_EQ(status.value(server.url("/dialogs")), "OK");
    EXPECT_EQ(status.value(server.url("/loop")), "Failed");
    EXPECT_EQ(status.value(server.url("/fine")), "OK");
}

// The password of --auth is in no process list, no output and no reason; a wrong one fails with the 401.
TEST_F(FaultCase, AuthPasswordIsNeitherInTheProcessListNorInTheOutput)
{
    TestServer server;
    server.route("/private", TestServer::Route { .body = "<!doctype html><p>private", .basicAuth = "reader:right" });
    QByteArray commandLine;
    const ProgramRun run = Convert({ "--home", home(), "-o", out(), "--json", "--verbose", "--timeout", "30", "--auth",
                                       "reader:wrong-4711", server.url("/private") },
        [&](QProcess& process) {
            // The request shows the program is past reading its arguments.
            QObject::connect(&server, &TestServer::requested, &process, [&] {
                if (commandLine.isEmpty())
                    commandLine = ReadAll(QStringLiteral("/proc/%1/cmdline").arg(process.processId()));
            });
        });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(commandLine.contains("reader:")) << commandLine.toStdString();
    EXPECT_FALSE(commandLine.contains("wrong-4711")) << commandLine.toStdString();
    EXPECT_FALSE(run.out.contains("wrong-4711") || run.err.contains("wrong-4711"));
    EXPECT_TRUE(JsonRowsByAddress(run).value(server.url("/private")).value("reason").toString().contains("401"))
        << run.out.toStdString();
}

} // namespace
} // namespace qm::test
