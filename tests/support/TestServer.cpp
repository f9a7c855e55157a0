#include "tests/support/TestServer.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

namespace qm::test {

TestServer::TestServer(QObject* parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    if (!m_server->listen(QHostAddress::LocalHost, 0))
        qFatal("test server cannot listen on 127.0.0.1");
    connect(m_server, &QTcpServer::newConnection, this, &TestServer::onConnection);
}

TestServer::~TestServer()
{
    for (const auto& socket : std::as_const(m_stalled)) {
        if (socket)
            socket->abort();
    }
}

void TestServer::route(const QString& path, Route route)
{
    m_routes.insert(path, std::move(route));
}

quint16 TestServer::port() const
{
    return m_server->serverPort();
}

QString TestServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path);
}

void TestServer::onConnection()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadable(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket] { m_pending.remove(socket); });
    }
}

void TestServer::onReadable(QTcpSocket* socket)
{
    QByteArray& buffer = m_pending[socket];
    buffer += socket->readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QByteArray head = buffer.left(end);
    const QByteArray requestLine = buffer.left(buffer.indexOf("\r\n"));
    buffer.remove(0, end + 4);
    const QList<QByteArray> parts = requestLine.split(' ');
    const QString target = parts.size() > 1 ? QString::fromLatin1(parts[1]) : QStringLiteral("/");
    respond(socket, QUrl(target).path(), head);
}

void TestServer::respond(QTcpSocket* socket, const QString& path, const QByteArray& head)
{
    m_hits[path] += 1;
    m_requests.insert(path, head);
    auto it = m_routes.constFind(path);
    Route route
        = it != m_routes.cend() ? *it : Route { .status = 404, .body = "<html><body><h1>Not here</h1></body></html>" };
    if (m_hits[path] <= route.failFirst) {
        socket->abort();
        return;
    }
    if (!route.basicAuth.isEmpty() && !head.contains("\r\nAuthorization: Basic " + route.basicAuth.toBase64() + "\r\n")
        && !head.endsWith("\r\nAuthorization: Basic " + route.basicAuth.toBase64()))
        route = Route { .status = 401,
            .body = "<html><body><h1>Who are you?</h1></body></html>",
            .headers = { { "WWW-Authenticate", "Basic realm=\"quillmark\"" } },
            .reason = "Unauthorized" };
    emit requested(path);
    if (route.stall) {
        m_stalled.append(socket);
        return;
    }
    auto send = [socket, route] {
        if (socket->state() != QAbstractSocket::ConnectedState)
            return;
        const QByteArray phrase = route.reason.value_or(route.status == 200 ? "OK" : "Status");
        QByteArray reply = "HTTP/1.1 " + QByteArray::number(route.status) + (phrase.isEmpty() ? "" : " " + phrase)
            + "\r\nContent-Type: " + route.contentType
            + "\r\nContent-Length: " + QByteArray::number(route.body.size() + route.tail.size())
            + "\r\nCache-Control: no-store\r\nConnection: close\r\n";
        for (const auto& [name, value] : route.headers)
            reply += name + ": " + value + "\r\n";
        reply += "\r\n" + route.body;
        socket->write(reply);
        if (route.tail.isEmpty())
            return socket->disconnectFromHost();
        QTimer::singleShot(route.tailDelayMs, socket, [socket, tail = route.tail] {
            socket->write(tail);
            socket->disconnectFromHost();
        });
    };
    if (route.delayMs > 0)
        QTimer::singleShot(route.delayMs, socket, send);
    else
        send();
}

} // namespace qm::test
