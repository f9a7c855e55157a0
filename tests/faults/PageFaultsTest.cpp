// Hostile pages: each converts or fails with its reason, and the batch goes on.
#include <QJsonDocument>
#include <QJsonObject>

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

} // namespace
} // namespace qm::test
