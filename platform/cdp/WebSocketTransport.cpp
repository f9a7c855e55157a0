#include "platform/cdp/WebSocketTransport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

namespace qm::cdp {

WebSocketTransport::WebSocketTransport(QObject* parent)
    : Transport(parent)
{
    m_socket.setMaxAllowedIncomingMessageSize(quint64(1) << 31);
    m_socket.setOutgoingFrameSize(quint64(1) << 31);
    connect(&m_socket, &QWebSocket::connected, this, [this] {
        m_open = true;
        finishOpen({});
    });
    connect(&m_socket, &QWebSocket::textMessageReceived, this,
        [this](const QString& text) { emit messageReceived(text.toUtf8()); });
    connect(&m_socket, &QWebSocket::binaryMessageReceived, this, &Transport::messageReceived);
    connect(&m_socket, &QWebSocket::disconnected, this, [this] {
        const bool wasOpen = std::exchange(m_open, false);
        const QString why = m_socket.errorString().isEmpty() || m_socket.error() == QAbstractSocket::UnknownSocketError
            ? QStringLiteral("the remote browser closed the connection")
            : QStringLiteral("the remote browser connection ended: %1").arg(m_socket.errorString());
        if (m_opened)
            finishOpen(qm::fail(qm::Error::Code::BrowserGone, why));
        else if (wasOpen)
            emit closed(qm::Error::make(qm::Error::Code::BrowserGone, why));
    });
}

WebSocketTransport::~WebSocketTransport()
{
    m_opened = nullptr;
    m_socket.disconnect(this);
    m_socket.abort();
}

void WebSocketTransport::open(
    const QString& endpoint, std::chrono::milliseconds limit, std::function<void(qm::Result<void>)> done)
{
    m_opened = std::move(done);
    m_openTimer = new QTimer(this);
    m_openTimer->setSingleShot(true);
    connect(m_openTimer, &QTimer::timeout, this, [this, endpoint, limit] {
        m_socket.abort();
        finishOpen(qm::fail(qm::Error::Code::Timeout,
            QStringLiteral("The remote browser %1 did not answer within %2 s")
                .arg(endpoint)
                .arg(limit.count() / 1000.0)));
    });
    m_openTimer->start(limit);

    const QUrl url(endpoint);
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("ws") || scheme == QLatin1String("wss")) {
        connectTo(url);
        return;
    }
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
        QTimer::singleShot(0, this, [this, endpoint] {
            finishOpen(qm::fail(qm::Error::Code::Usage,
                QStringLiteral("A remote browser address must start with ws:// or http://, not \"%1\"").arg(endpoint)));
        });
        return;
    }
    m_network = new QNetworkAccessManager(this);
    QUrl versionUrl = url;
    versionUrl.setPath(QStringLiteral("/json/version"));
    QNetworkReply* reply = m_network->get(QNetworkRequest(versionUrl));
    connect(reply, &QNetworkReply::finished, this, [this, reply, endpoint] {
        reply->deleteLater();
        if (!m_opened)
            return;
        if (reply->error() != QNetworkReply::NoError) {
            finishOpen(qm::fail(qm::Error::Code::BrowserGone,
                QStringLiteral("The remote browser %1 cannot be reached: %2").arg(endpoint, reply->errorString())));
            return;
        }
        const QString ws = QJsonDocument::fromJson(reply->readAll())
                               .object()
                               .value(QLatin1String("webSocketDebuggerUrl"))
                               .toString();
        if (ws.isEmpty()) {
            finishOpen(qm::fail(qm::Error::Code::Protocol,
                QStringLiteral("%1 does not look like a browser's debugging address (no webSocketDebuggerUrl)")
                    .arg(endpoint)));
            return;
        }
        connectTo(QUrl(ws));
    });
}

void WebSocketTransport::connectTo(const QUrl& url)
{
    m_socket.open(url);
}

void WebSocketTransport::finishOpen(qm::Result<void> result)
{
    if (m_openTimer) {
        m_openTimer->stop();
        m_openTimer->deleteLater();
        m_openTimer = nullptr;
    }
    if (auto done = std::exchange(m_opened, nullptr))
        done(result);
}

void WebSocketTransport::send(const QByteArray& message)
{
    if (m_open)
        m_socket.sendTextMessage(QString::fromUtf8(message));
}

void WebSocketTransport::close()
{
    if (!m_open)
        return;
    m_open = false;
    m_socket.close();
    QTimer::singleShot(0, this, [this] {
        emit closed(qm::Error::make(qm::Error::Code::BrowserGone, QStringLiteral("the connection was closed")));
    });
}

} // namespace qm::cdp
