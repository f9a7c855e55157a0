#pragma once

#include <QByteArrayList>
#include <QObject>
#include <QTimer>
#include <functional>

#include "platform/Error.h"
#include "queue/RedisAddress.h"
#include "queue/RedisReply.h"

struct redisAsyncContext;

namespace qm::queue {

// One connection to Redis on the Qt event loop (hiredis's asynchronous client): connects, sends AUTH
// and SELECT, and connects again with a growing pause after a loss. Answers always arrive later on the
// event loop, never inside command().
class RedisConnection : public QObject
{
    Q_OBJECT
public:
    using Answer = std::function<void(Result<RedisReply>)>;

    explicit RedisConnection(RedisAddress address, QObject* parent = nullptr);
    ~RedisConnection() override;

    void open();
    bool isReady() const { return m_ready; }
    // Sent when ready; otherwise answered (later, on the event loop) with a "not connected" error.
    void command(const QByteArrayList& arguments, Answer answer = {});

signals:
    void ready(); // connected, authenticated, database chosen
    void lost(const QString& reason); // a connection or an attempt ended; it is tried again
    void refused(const QString& reason); // the server refused the password or the database; not tried again

private:
    struct Pending;
    static void onConnect(const redisAsyncContext* context, int status);
    static void onDisconnect(const redisAsyncContext* context, int status);
    static void onReply(redisAsyncContext* context, void* reply, void* pending);

    void attempt();
    void attached(redisAsyncContext* context);
    void handshake();
    void ended(const QString& reason);
    void send(const QByteArrayList& arguments, Answer answer);

    RedisAddress m_address;
    redisAsyncContext* m_context = nullptr;
    bool m_ready = false;
    bool m_refused = false;
    std::chrono::milliseconds m_pause { 250 };
    QTimer m_retry;
    QTimer m_connectLimit;
};

} // namespace qm::queue
