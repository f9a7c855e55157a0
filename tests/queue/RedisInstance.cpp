#include "tests/queue/RedisInstance.h"

#include <QTcpServer>

#include "tests/support/EventLoop.h"

namespace qm::test {

namespace {

int freeLoopbackPort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

} // namespace

RedisInstance::RedisInstance(QString password)
    : m_password(std::move(password))
    , m_port(freeLoopbackPort())
{
}

RedisInstance::~RedisInstance()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.kill();
        m_server.waitForFinished(5000);
    }
}

bool RedisInstance::start()
{
    m_server.setProgram(QStringLiteral("redis-server"));
    m_server.setArguments({ "--port", QString::number(m_port), "--bind", "127.0.0.1", "--dir", m_dir.path(), "--save",
        "", "--appendonly", "yes", "--requirepass", m_password, "--daemonize", "no" });
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.start();
    if (!m_server.waitForStarted(5000))
        return false;
    // Bounded poll for an external process: it answers PING once it has loaded its files.
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (cli({ "PING" }).trimmed() == "PONG")
            return true;
        LoopRunner pause;
        pause.run(std::chrono::milliseconds(100));
    }
    return false;
}

void RedisInstance::stop()
{
    m_server.terminate();
    m_server.waitForFinished(10000);
}

QByteArray RedisInstance::cli(const QStringList& arguments) const
{
    QProcess client;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("REDISCLI_AUTH"), m_password);
    client.setProcessEnvironment(environment);
    client.start(QStringLiteral("redis-cli"), QStringList { "-p", QString::number(m_port), "--raw" } + arguments);
    client.waitForFinished(10000);
    return client.readAllStandardOutput();
}

} // namespace qm::test
