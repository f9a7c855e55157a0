#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>

class QTcpServer;
class QTcpSocket;

namespace qm::test {

// A small HTTP/1.1 server on 127.0.0.1 for fixture pages. Each route answers with a status, a type
// and a body, optionally after a delay; a stalled route never answers (until the server goes away).
class TestServer : public QObject
{
    Q_OBJECT
public:
    struct Route
    {
        int status = 200;
        QByteArray contentType = "text/html; charset=utf-8";
        QByteArray body;
        int delayMs = 0;
        bool stall = false;
        QList<QPair<QByteArray, QByteArray>> headers;
        std::optional<QByteArray> reason; // the status line's phrase; empty sends none
        QByteArray basicAuth; // "user:password": a request without them gets 401 and a Basic challenge
        int failFirst = 0; // this many requests first are cut off without an answer
        QByteArray tail; // the end of the body, sent tailDelayMs after the rest (a page that streams in)
        int tailDelayMs = 0;
    };

    explicit TestServer(QObject* parent = nullptr);
    ~TestServer() override;

    void route(const QString& path, Route route);
    void page(const QString& path, const QByteArray& html) { route(path, Route { .body = html }); }
    void stall(const QString& path) { route(path, Route { .stall = true }); }

    quint16 port() const;
    QString url(const QString& path) const; // http://127.0.0.1:<port><path>
    int hits(const QString& path) const { return m_hits.value(path); }
    // The request line and headers of the last request for `path` (its query included).
    QByteArray lastRequest(const QString& path) const { return m_requests.value(path); }

signals:
    void requested(const QString& path);

private:
    void onConnection();
    void onReadable(QTcpSocket* socket);
    void respond(QTcpSocket* socket, const QString& path, const QByteArray& head);

    QTcpServer* m_server;
    QHash<QString, Route> m_routes;
    QHash<QString, int> m_hits;
    QHash<QString, QByteArray> m_requests;
    QHash<QTcpSocket*, QByteArray> m_pending;
    QList<QPointer<QTcpSocket>> m_stalled;
};

} // namespace qm::test
