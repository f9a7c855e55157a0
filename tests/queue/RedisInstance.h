#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace qm::test {

// A redis-server of the test's own, on a free loopback port, keeping its files in a temporary folder
// (append-only persistence on, so that a restart keeps the queue). Asked through redis-cli.
class RedisInstance
{
public:
    explicit RedisInstance(QString password = QStringLiteral("queue-secret"));
    ~RedisInstance();

    bool start(); // false when it does not answer within a few seconds
    void stop(); // a clean shutdown: the append-only file is complete
    int port() const { return m_port; }
    const QString& password() const { return m_password; }
    QString url() const { return QStringLiteral("redis://127.0.0.1:%1").arg(m_port); }
    QStringList environment() const { return { QStringLiteral("REDISCLI_AUTH=") + m_password }; }

    // One command through redis-cli (raw output, one value per line).
    QByteArray cli(const QStringList& arguments) const;

private:
    QString m_password;
    QTemporaryDir m_dir;
    int m_port = 0;
    QProcess m_server;
};

} // namespace qm::test
