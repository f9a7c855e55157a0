#include "app/RunningInstance.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QLocalSocket>
#include <QStringList>
#include <memory>

#include <unistd.h>

namespace qm::app {

namespace {
// Only for the local socket's handshake; a running program answers at once or not at all.
constexpr int SocketWaitMs = 3000;
} // namespace

RunningInstance::RunningInstance(const QString& homePath, QObject* parent)
    : QObject(parent)
{
    const QByteArray home = QDir(homePath).absolutePath().toUtf8();
    m_name = QStringLiteral("quillmark-%1-%2")
                 .arg(getuid())
                 .arg(QString::fromLatin1(QCryptographicHash::hash(home, QCryptographicHash::Sha1).toHex().left(16)));
    connect(&m_server, &QLocalServer::newConnection, this, &RunningInstance::accept);
}

bool RunningInstance::handOver(const QStringList& rows)
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(SocketWaitMs))
        return false;
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out << rows;
    socket.write(message);
    const bool sent = socket.waitForBytesWritten(SocketWaitMs) || socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(SocketWaitMs);
    return sent;
}

Result<void> RunningInstance::listen()
{
    // Called once handOver found nobody: a name left behind by a killed program is replaced.
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(m_name))
        return fail(Error::Code::Io, m_server.errorString());
    return {};
}

void RunningInstance::accept()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        auto message = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, this, [socket, message] { message->append(socket->readAll()); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket, message] {
            message->append(socket->readAll());
            socket->deleteLater();
            QStringList rows;
            QDataStream in(*message);
            in >> rows;
            if (in.status() == QDataStream::Ok)
                emit rowsArrived(rows);
        });
    }
}

} // namespace qm::app
