#include "app/RunningInstance.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QLocalSocket>
#include <QStringList>
#include <memory>
#include <optional>

#include <sys/socket.h>
#include <unistd.h>

#include "platform/UserRuntimeFolder.h"

namespace qm::app {

namespace {

// Only for the local socket's handshake; a running program answers at once or not at all.
constexpr int SocketWaitMs = 3000;

// The user id of the process at the other end of a connected local socket.
std::optional<uid_t> PeerUser(const QLocalSocket& socket)
{
    ucred peer {};
    socklen_t size = sizeof peer;
    if (::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return std::nullopt;
    return peer.uid;
}

} // namespace

RunningInstance::RunningInstance(const QString& homePath, QObject* parent)
    : QObject(parent)
{
    const QByteArray home = QDir(homePath).absolutePath().toUtf8();
    const QString name
        = QStringLiteral("quillmark-%1")
              .arg(QString::fromLatin1(QCryptographicHash::hash(home, QCryptographicHash::Sha1).toHex().left(16)));
    if (const Result<QString> folder = UserRuntimeFolder())
        m_path = *folder + u'/' + name;
    else
        m_folderProblem = folder.error().message;
    connect(&m_server, &QLocalServer::newConnection, this, &RunningInstance::accept);
}

Result<bool> RunningInstance::handOver(const QStringList& rows)
{
    if (m_path.isEmpty())
        return fail(Error::Code::Io, m_folderProblem);
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(SocketWaitMs))
        return false;
    const std::optional<uid_t> peer = PeerUser(socket);
    if (peer != ::getuid()) {
        socket.abort();
        return fail(Error::Code::Io,
            QStringLiteral("the program listening at %1 runs as %2, not as this user")
                .arg(m_path, peer ? QStringLiteral("user %1").arg(*peer) : QStringLiteral("an unknown user")));
    }
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
    if (m_path.isEmpty())
        return fail(Error::Code::Io, m_folderProblem);
    // Called once handOver found nobody of this user: a name left behind by a killed program, or held by
    // a stranger, is replaced (the folder is this user's own).
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(m_path))
        return fail(Error::Code::Io, QStringLiteral("cannot listen at %1: %2").arg(m_path, m_server.errorString()));
    return {};
}

void RunningInstance::accept()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        if (const std::optional<uid_t> peer = PeerUser(*socket); peer != ::getuid()) {
            socket->abort();
            socket->deleteLater();
            emit strangerRefused(
                QStringLiteral("rows from %1 were refused: only this user's own program hands rows over")
                    .arg(peer ? QStringLiteral("user %1").arg(*peer) : QStringLiteral("an unknown user")));
            continue;
        }
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
