#pragma once

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <map>

#include "platform/Error.h"
#include "platform/cdp/Session.h"

namespace qm::cdp {

class Transport;

// Owns the transport, the id counter and the table of commands waiting for an answer. Incoming
// messages go to their session first (by session id), then to the command they answer (by id), else
// they are events. When the transport closes, every waiting command fails at once.
class Connection : public QObject
{
    Q_OBJECT
public:
    // Takes ownership of the transport.
    explicit Connection(Transport* transport, QObject* parent = nullptr);
    ~Connection() override;

    bool isOpen() const { return !m_closed; }

    // An empty session id addresses the browser itself. The reply always comes later on the event loop.
    void send(const QString& sessionId, const QString& method, const QJsonObject& params, Reply reply,
        std::chrono::milliseconds limit);
    // A large answer's "data" is cut out of the message and decoded as it stands, never parsed as JSON.
    void sendForData(const QString& sessionId, const QString& method, const QJsonObject& params, PayloadReply reply,
        std::chrono::milliseconds limit);

    void addSession(Session* session);
    void removeSession(const QString& sessionId);
    Session* session(const QString& sessionId) const { return m_sessions.value(sessionId); }

    // Fails everything waiting, detaches every session and stops the transport.
    void close(const qm::Error& why);

    int pendingCount() const { return int(m_pending.size()); }

signals:
    // Events that belong to no session (the browser's own: targets created, crashed, downloads).
    void event(const QString& method, const QJsonObject& params);
    void closed(const qm::Error& why);

private:
    // Takes the answer and, for a command sent for its data, the data's bytes.
    using Answer = std::function<void(qm::Result<QJsonObject>, QByteArray)>;
    struct Pending
    {
        QString method;
        Answer reply;
        bool wantsData = false;
        std::chrono::steady_clock::time_point deadline;
        std::chrono::milliseconds limit;
    };

    void enqueue(const QString& sessionId, const QJsonObject& params, Pending pending);
    bool deliverData(const QByteArray& message);
    void onMessage(const QByteArray& message);
    void onDeadline();
    void armDeadline();
    void deliverLater(Answer reply, qm::Result<QJsonObject> result);

    Transport* m_transport;
    QTimer m_deadlineTimer;
    std::map<qint64, Pending> m_pending;
    QHash<QString, QPointer<Session>> m_sessions;
    qint64 m_nextId = 1;
    bool m_closed = false;
    qm::Error m_closedBecause;
};

} // namespace qm::cdp
