#pragma once

#include <QUrl>
#include <QWebSocket>
#include <functional>

#include "platform/cdp/Transport.h"

class QNetworkAccessManager;
class QTimer;

namespace qm::cdp {

// Messages over a WebSocket to a browser elsewhere. Each message goes out as one unfragmented text
// frame (Chromium drops fragmented ones).
class WebSocketTransport : public Transport
{
    Q_OBJECT
public:
    explicit WebSocketTransport(QObject* parent = nullptr);
    ~WebSocketTransport() override;

    // Accepts ws://host:port/devtools/browser/<id>, or http://host:port (looked up through /json/version).
    void open(const QString& endpoint, std::chrono::milliseconds limit, std::function<void(qm::Result<void>)> done);

    void send(const QByteArray& message) override;
    void close() override;
    bool isOpen() const override { return m_open; }

private:
    void connectTo(const QUrl& url);
    void finishOpen(qm::Result<void> result);

    QWebSocket m_socket;
    QNetworkAccessManager* m_network = nullptr;
    std::function<void(qm::Result<void>)> m_opened;
    QTimer* m_openTimer = nullptr;
    bool m_open = false;
};

} // namespace qm::cdp
