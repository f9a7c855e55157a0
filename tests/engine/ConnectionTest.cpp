// The connection's bookkeeping with a scripted transport: routing, deadlines and closing.
#include "platform/cdp/Connection.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <optional>

#include <gtest/gtest.h>

#include "platform/cdp/PageDeadline.h"
#include "platform/cdp/Session.h"
#include "platform/cdp/Transport.h"
#include "tests/support/EventLoop.h"

namespace qm::test {
namespace {

using namespace std::chrono_literals;
using cdp::Connection;
using cdp::Session;

class ScriptedTransport : public cdp::Transport
{
public:
    void send(const QByteArray& message) override { sent.append(QJsonDocument::fromJson(message).object()); }
    void close() override { open = false; }
    bool isOpen() const override { return open; }

    void deliver(const QJsonObject& message)
    {
        emit messageReceived(QJsonDocument(message).toJson(QJsonDocument::Compact));
    }
    void reply(const QJsonObject& command, const QJsonObject& result)
    {
        deliver({ { "id", command.value("id") }, { "result", result } });
    }

    QList<QJsonObject> sent;
    bool open = true;
};

struct Outcome
{
    bool arrived = false;
    qm::Result<QJsonObject> result = qm::fail(qm::Error::Code::Io, "not yet");
};

cdp::Reply Into(Outcome& outcome, LoopRunner* runner = nullptr)
{
    return [&outcome, runner](qm::Result<QJsonObject> r) {
        outcome.arrived = true;
        outcome.result = std::move(r);
        if (runner)
            runner->done();
    };
}

class ConnectionTest : public ::testing::Test
{
protected:
    ScriptedTransport* transport = new ScriptedTransport;
    Connection connection { transport };
};

TEST_F(ConnectionTest, AnswersFindTheirCommandByIdWhateverTheOrder)
{
    Outcome first, second;
    connection.send({}, "Browser.getVersion", {}, Into(first), 5s);
    connection.send("S1", "Page.navigate", { { "url", "about:blank" } }, Into(second), 5s);
    ASSERT_EQ(transport->sent.size(), 2);
    EXPECT_EQ(transport->sent[1].value("sessionId").toString(), "S1");
    EXPECT_FALSE(transport->sent[0].contains("sessionId"));
    EXPECT_NE(transport->sent[0].value("id"), transport->sent[1].value("id"));

    transport->reply(transport->sent[1], { { "frameId", "F" } });
    EXPECT_TRUE(second.arrived);
    EXPECT_FALSE(first.arrived);
    transport->deliver(
        { { "id", transport->sent[0].value("id") }, { "error", QJsonObject { { "message", "nope" } } } });
    ASSERT_TRUE(first.arrived);
    ASSERT_FALSE(first.result);
    EXPECT_EQ(first.result.error().code, qm::Error::Code::Protocol);
    EXPECT_EQ(first.result.error().message, "Browser.getVersion failed: nope");
    EXPECT_EQ(second.result->value("frameId").toString(), "F");
    EXPECT_EQ(connection.pendingCount(), 0);
}

TEST_F(ConnectionTest, DataAnswersArriveAsBytesLargeOrSmall)
{
    QByteArray picture(200 * 1024, '\0');
    for (qsizetype i = 0; i < picture.size(); ++i)
        picture[i] = char(i * 7 + i / 251);
    const QString encoded = QString::fromLatin1(picture.toBase64());
    struct Case
    {
        const char* name;
        QJsonObject result;
        QByteArray data;
    } cases[] = {
        { "large picture", { { "data", encoded } }, picture },
        { "large piece of a file, more to come", { { "base64Encoded", true }, { "data", encoded }, { "eof", false } },
            picture },
        { "small piece", { { "base64Encoded", true }, { "data", "aGVsbG8=" }, { "eof", true } }, "hello" },
        { "large text", { { "base64Encoded", false }, { "data", encoded } }, encoded.toLatin1() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<qm::Result<cdp::Payload>> got;
        connection.sendForData(
            "S1", "IO.read", {}, [&](qm::Result<cdp::Payload> r) { got = std::move(r); }, 5s);
        transport->deliver(
            { { "id", transport->sent.back().value("id") }, { "result", c.result }, { "sessionId", "S1" } });
        ASSERT_TRUE(got && *got);
        EXPECT_TRUE((*got)->data == c.data);
        EXPECT_EQ((*got)->result.value("eof"), c.result.value("eof"));
    }
    std::optional<qm::Result<cdp::Payload>> refused;
    connection.sendForData(
        {}, "IO.read", {}, [&](qm::Result<cdp::Payload> r) { refused = std::move(r); }, 5s);
    transport->deliver(
        { { "id", transport->sent.back().value("id") }, { "error", QJsonObject { { "message", "gone" } } } });
    ASSERT_TRUE(refused && !*refused);
    EXPECT_EQ(refused->error().message, "IO.read failed: gone");
    EXPECT_EQ(connection.pendingCount(), 0);
}

TEST_F(ConnectionTest, EventsGoToTheirSessionOrToTheBrowser)
{
    Session one(connection, "S1"), two(connection, "S2");
    QStringList seen;
    QObject::connect(&one, &Session::event, [&](const QString& m) { seen << "one:" + m; });
    QObject::connect(&two, &Session::event, [&](const QString& m) { seen << "two:" + m; });
    QObject::connect(&connection, &Connection::event, [&](const QString& m) { seen << "browser:" + m; });
    transport->deliver({ { "method", "Page.loadEventFired" }, { "sessionId", "S2" } });
    transport->deliver({ { "method", "Page.frameNavigated" }, { "sessionId", "S1" } });
    transport->deliver({ { "method", "Page.loadEventFired" }, { "sessionId", "gone" } });
    transport->deliver({ { "method", "Target.targetCreated" } });
    transport->deliver(QJsonObject {}); // neither answer nor event
    EXPECT_EQ(
        seen, (QStringList { "two:Page.loadEventFired", "one:Page.frameNavigated", "browser:Target.targetCreated" }));
}

TEST_F(ConnectionTest, DetachedSessionDropsEventsAndRefusesCommands)
{
    Session session(connection, "S1");
    int events = 0;
    QString why;
    QObject::connect(&session, &Session::event, [&] { ++events; });
    QObject::connect(&session, &Session::detached, [&](const qm::Error& e) { why = e.message; });
    transport->deliver(
        { { "method", "Target.detachedFromTarget" }, { "params", QJsonObject { { "sessionId", "S1" } } } });
    EXPECT_FALSE(session.isAttached());
    EXPECT_FALSE(why.isEmpty());
    transport->deliver({ { "method", "Page.loadEventFired" }, { "sessionId", "S1" } });
    EXPECT_EQ(events, 0);

    LoopRunner runner;
    Outcome refused;
    session.send("Page.reload", {}, Into(refused, &runner));
    EXPECT_FALSE(refused.arrived) << "a reply must never come inside send()";
    EXPECT_TRUE(transport->sent.isEmpty());
    ASSERT_TRUE(runner.run(5s));
    ASSERT_FALSE(refused.result);
    EXPECT_TRUE(refused.result.error().message.contains("Page.reload"));
}

TEST_F(ConnectionTest, EachCommandHasItsOwnDeadlineNamingTheMethod)
{
    LoopRunner runner;
    Outcome quick, slow;
    connection.send("S1", "Page.captureScreenshot", {}, Into(quick, &runner), 50ms);
    connection.send("S1", "Page.navigate", {}, Into(slow), 30s);
    ASSERT_TRUE(runner.run(5s));
    ASSERT_FALSE(quick.result);
    EXPECT_EQ(quick.result.error().code, qm::Error::Code::Timeout);
    EXPECT_EQ(quick.result.error().message, "Page.captureScreenshot timed out after 50 ms");
    EXPECT_FALSE(slow.arrived);

    // A late answer to the timed-out command is ignored; the other one still gets its answer.
    quick = {};
    transport->reply(transport->sent[0], {});
    EXPECT_FALSE(quick.arrived);
    transport->reply(transport->sent[1], { { "ok", true } });
    ASSERT_TRUE(slow.arrived);
    EXPECT_TRUE(slow.result);
}

TEST_F(ConnectionTest, ClosingFailsEveryWaitingCommandAtOnce)
{
    Session session(connection, "S1");
    bool sessionDetached = false;
    QObject::connect(&session, &Session::detached, [&] { sessionDetached = true; });
    Outcome a, b, c;
    connection.send({}, "Target.createTarget", {}, Into(a), 30s);
    session.send("Page.navigate", {}, Into(b), 30s);
    session.send("Runtime.evaluate", {}, Into(c), 30s);
    emit transport->closed(qm::Error::make(qm::Error::Code::BrowserGone, "the browser closed its protocol pipe"));
    for (Outcome* o : { &a, &b, &c }) {
        ASSERT_TRUE(o->arrived);
        ASSERT_FALSE(o->result);
        EXPECT_EQ(o->result.error().code, qm::Error::Code::BrowserGone);
        EXPECT_TRUE(o->result.error().message.contains("the browser closed its protocol pipe"));
    }
    EXPECT_TRUE(b.result.error().message.startsWith("Page.navigate"));
    EXPECT_TRUE(sessionDetached);
    EXPECT_FALSE(connection.isOpen());
    EXPECT_EQ(connection.pendingCount(), 0);

    LoopRunner runner;
    Outcome after;
    connection.send({}, "Browser.getVersion", {}, Into(after, &runner), 5s);
    EXPECT_FALSE(after.arrived);
    ASSERT_TRUE(runner.run(5s));
    EXPECT_EQ(after.result.error().code, qm::Error::Code::BrowserGone);
}

// A page's deadline: no command goes out once it has run out, each one sent waits no longer than what is
// left of it, and answers that come after the deadline's owner is gone reach nobody.
TEST_F(ConnectionTest, PageDeadlineBoundsEveryCommandOfThePage)
{
    Session session(connection, "S1");
    QList<qm::Error> failures;
    int answers = 0;
    LoopRunner runner;
    const auto noted = [&](const qm::Error& e) { failures.append(e); };
    const auto failed = [&](const qm::Error& e) {
        failures.append(e);
        runner.done();
    };
    const auto answered = [&](const QJsonObject&) { ++answers; };
    QObject owner;

    cdp::PageDeadline spent(owner, session, 0ms, qm::Error::make(qm::Error::Code::Timeout, "out of time"), noted);
    spent.send("Runtime.evaluate", {}, answered);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_EQ(failures[0].message, "out of time");
    EXPECT_TRUE(transport->sent.isEmpty());

    cdp::PageDeadline shortLimit(owner, session, 500ms, qm::Error::make(qm::Error::Code::Timeout, "late"), failed);
    shortLimit.send("Runtime.evaluate", {}, answered);
    ASSERT_TRUE(runner.run(20s));
    ASSERT_EQ(failures.size(), 2);
    EXPECT_EQ(failures[1].code, qm::Error::Code::Timeout);
    const QString waited = failures[1].message.section(' ', -2, -2);
    EXPECT_TRUE(failures[1].message.endsWith(" ms") && waited.toInt() <= 500) << failures[1].message.toStdString();

    auto* gone = new QObject;
    cdp::PageDeadline orphan(*gone, session, 60s, qm::Error::make(qm::Error::Code::Timeout, "late"), noted);
    orphan.send("Page.captureScreenshot", {}, answered);
    orphan.send("Page.getLayoutMetrics", {}, answered);
    delete gone;
    transport->reply(transport->sent[1], {});
    transport->deliver({ { "id", transport->sent[2].value("id") }, { "error", QJsonObject { { "message", "x" } } } });
    EXPECT_EQ(answers, 0);
    EXPECT_EQ(failures.size(), 2);
}

} // namespace
} // namespace qm::test
