#include "queue/RedisConnection.h"

#include <QPointer>
#include <QSocketNotifier>

#include <hiredis/async.h>
#include <hiredis/hiredis.h>

namespace qm::queue {

namespace {

constexpr std::chrono::milliseconds LongestPause { 5000 };
constexpr std::chrono::milliseconds ConnectLimit { 5000 };

// hiredis asks its event library to watch the socket through five hooks; these watch it with socket
// notifiers on the Qt event loop. (The library's own Qt adapter connects to a signal Qt 6 no longer has.)
class SocketWatch
{
public:
    explicit SocketWatch(redisAsyncContext* context)
        : m_context(context)
    {
        context->ev.data = this;
        context->ev.addRead = [](void* self) { static_cast<SocketWatch*>(self)->watch(m_readIndex); };
        context->ev.delRead = [](void* self) { static_cast<SocketWatch*>(self)->unwatch(m_readIndex); };
        context->ev.addWrite = [](void* self) { static_cast<SocketWatch*>(self)->watch(m_writeIndex); };
        context->ev.delWrite = [](void* self) { static_cast<SocketWatch*>(self)->unwatch(m_writeIndex); };
        context->ev.cleanup = [](void* self) { delete static_cast<SocketWatch*>(self); };
    }
    ~SocketWatch()
    {
        unwatch(m_readIndex);
        unwatch(m_writeIndex);
    }

private:
    static constexpr int m_readIndex = 0;
    static constexpr int m_writeIndex = 1;

    void watch(int which)
    {
        if (m_notifiers[which])
            return;
        auto* notifier = new QSocketNotifier(
            m_context->c.fd, which == m_readIndex ? QSocketNotifier::Read : QSocketNotifier::Write);
        redisAsyncContext* context = m_context;
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [context, which] {
            if (which == m_readIndex)
                redisAsyncHandleRead(context);
            else
                redisAsyncHandleWrite(context);
        });
        m_notifiers[which] = notifier;
    }
    // Called from inside the notifier's own signal too: it is switched off now and deleted later.
    void unwatch(int which)
    {
        if (QSocketNotifier* notifier = m_notifiers[which]) {
            notifier->setEnabled(false);
            QObject::disconnect(notifier, nullptr, nullptr, nullptr);
            notifier->deleteLater();
            m_notifiers[which] = nullptr;
        }
    }

    redisAsyncContext* m_context;
    QSocketNotifier* m_notifiers[2] = { nullptr, nullptr };
};

RedisReply copied(const redisReply* reply)
{
    RedisReply out;
    switch (reply->type) {
    case REDIS_REPLY_STRING:
    case REDIS_REPLY_STATUS:
        out.type = RedisReply::Type::Text;
        out.text = QByteArray(reply->str, qsizetype(reply->len));
        break;
    case REDIS_REPLY_ERROR:
        out.type = RedisReply::Type::Error;
        out.text = QByteArray(reply->str, qsizetype(reply->len));
        break;
    case REDIS_REPLY_INTEGER:
        out.type = RedisReply::Type::Integer;
        out.integer = reply->integer;
        break;
    case REDIS_REPLY_ARRAY:
        out.type = RedisReply::Type::Array;
        for (size_t i = 0; i < reply->elements; ++i)
            out.elements.append(copied(reply->element[i]));
        break;
    default:
        break;
    }
    return out;
}

} // namespace

struct RedisConnection::Pending
{
    Answer answer;
};

RedisConnection::RedisConnection(RedisAddress address, QObject* parent)
    : QObject(parent)
    , m_address(std::move(address))
{
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &RedisConnection::attempt);
    m_connectLimit.setSingleShot(true);
    connect(&m_connectLimit, &QTimer::timeout, this, [this] {
        if (m_context && !m_ready) {
            redisAsyncContext* context = m_context;
            context->data = nullptr;
            m_context = nullptr;
            redisAsyncFree(context);
            ended(QStringLiteral("no answer from %1").arg(m_address.describe()));
        }
    });
}

RedisConnection::~RedisConnection()
{
    if (m_context) {
        // Answers still owed are dropped: nothing may reach an object that is going.
        m_context->data = nullptr;
        redisAsyncFree(m_context);
    }
}

void RedisConnection::open()
{
    if (!m_context && !m_retry.isActive())
        attempt();
}

void RedisConnection::attempt()
{
    if (m_refused)
        return;
    redisAsyncContext* context = redisAsyncConnect(m_address.host.toUtf8().constData(), m_address.port);
    if (!context)
        return ended(QStringLiteral("out of memory"));
    if (context->err) {
        const QString reason = QString::fromLocal8Bit(context->errstr);
        redisAsyncFree(context);
        return ended(reason);
    }
    attached(context);
}

void RedisConnection::attached(redisAsyncContext* context)
{
    m_context = context;
    context->data = this;
    new SocketWatch(context);
    redisAsyncSetConnectCallback(context, &RedisConnection::onConnect);
    redisAsyncSetDisconnectCallback(context, &RedisConnection::onDisconnect);
    m_connectLimit.start(ConnectLimit);
}

void RedisConnection::onConnect(const redisAsyncContext* context, int status)
{
    auto* self = static_cast<RedisConnection*>(context->data);
    if (!self)
        return;
    if (status != REDIS_OK) {
        // The library frees the context after this call.
        self->m_context = nullptr;
        self->m_connectLimit.stop();
        const QString reason = QString::fromLocal8Bit(context->errstr);
        QMetaObject::invokeMethod(
            self, [self, reason] { self->ended(reason); }, Qt::QueuedConnection);
        return;
    }
    QMetaObject::invokeMethod(self, &RedisConnection::handshake, Qt::QueuedConnection);
}

void RedisConnection::onDisconnect(const redisAsyncContext* context, int status)
{
    auto* self = static_cast<RedisConnection*>(context->data);
    if (!self)
        return;
    self->m_context = nullptr;
    const QString reason = status == REDIS_OK ? QStringLiteral("closed") : QString::fromLocal8Bit(context->errstr);
    QMetaObject::invokeMethod(
        self, [self, reason] { self->ended(reason); }, Qt::QueuedConnection);
}

void RedisConnection::onReply(redisAsyncContext* context, void* reply, void* pending)
{
    std::unique_ptr<Pending> p(static_cast<Pending*>(pending));
    auto* self = static_cast<RedisConnection*>(context->data);
    if (!self || !p->answer)
        return;
    Result<RedisReply> answer;
    const auto* r = static_cast<const redisReply*>(reply);
    if (!r)
        answer = fail(Error::Code::Io, QStringLiteral("the connection to %1 ended").arg(self->m_address.describe()));
    else if (r->type == REDIS_REPLY_ERROR)
        answer = fail(Error::Code::Protocol, QString::fromUtf8(r->str, qsizetype(r->len)));
    else
        answer = copied(r);
    QMetaObject::invokeMethod(
        self, [answer = std::move(answer), call = std::move(p->answer)] { call(answer); }, Qt::QueuedConnection);
}

void RedisConnection::handshake()
{
    if (!m_context)
        return;
    const QString where = m_address.describe();
    const auto refuse = [this](const QString& reason) {
        m_refused = true;
        m_connectLimit.stop();
        if (m_context) {
            redisAsyncContext* context = m_context;
            context->data = nullptr;
            m_context = nullptr;
            redisAsyncDisconnect(context);
        }
        emit refused(reason);
    };
    const auto check = [this, refuse, where](const QString& step) {
        return [this, refuse, where, step](Result<RedisReply> answer) {
            if (answer || !m_context)
                return;
            const QString& why = answer.error().message;
            if (answer.error().code == Error::Code::Io)
                return; // the connection ended; that is reported as a loss
            if (why.startsWith(QLatin1String("NOAUTH")))
                refuse(QStringLiteral("Redis at %1 asks for a password (give it in the address, REDISCLI_AUTH "
                                      "or --password-file)")
                           .arg(where));
            else
                refuse(QStringLiteral("Redis at %1 refused %2: %3").arg(where, step, why));
        };
    };
    if (!m_address.password.isEmpty()) {
        QByteArrayList auth { "AUTH" };
        if (!m_address.user.isEmpty())
            auth.append(m_address.user.toUtf8());
        auth.append(m_address.password.toUtf8());
        send(auth, check(QStringLiteral("the password")));
    }
    if (m_address.database != 0)
        send({ "SELECT", QByteArray::number(m_address.database) }, check(QStringLiteral("the database")));
    send({ "PING" }, [this, check](Result<RedisReply> answer) {
        if (!answer)
            return check(QStringLiteral("PING"))(std::move(answer));
        if (!m_context || m_refused)
            return;
        m_connectLimit.stop();
        m_ready = true;
        m_pause = std::chrono::milliseconds(250);
        emit ready();
    });
}

void RedisConnection::ended(const QString& reason)
{
    m_ready = false;
    m_connectLimit.stop();
    if (m_refused)
        return;
    emit lost(reason);
    if (!m_retry.isActive() && !m_context) {
        m_retry.start(m_pause);
        m_pause = std::min(m_pause * 2, LongestPause);
    }
}

void RedisConnection::command(const QByteArrayList& arguments, Answer answer)
{
    if (!m_ready || !m_context) {
        if (answer)
            QMetaObject::invokeMethod(
                this,
                [answer = std::move(answer), where = m_address.describe()] {
                    answer(fail(Error::Code::Io, QStringLiteral("not connected to %1").arg(where)));
                },
                Qt::QueuedConnection);
        return;
    }
    send(arguments, std::move(answer));
}

void RedisConnection::send(const QByteArrayList& arguments, Answer answer)
{
    std::vector<const char*> argv;
    std::vector<size_t> lengths;
    for (const QByteArray& argument : arguments) {
        argv.push_back(argument.constData());
        lengths.push_back(size_t(argument.size()));
    }
    auto* pending = new Pending { std::move(answer) };
    if (redisAsyncCommandArgv(
            m_context, &RedisConnection::onReply, pending, int(argv.size()), argv.data(), lengths.data())
        != REDIS_OK) {
        Answer call = std::move(pending->answer);
        delete pending;
        if (call)
            QMetaObject::invokeMethod(
                this, [call] { call(fail(Error::Code::Io, QStringLiteral("the connection is closing"))); },
                Qt::QueuedConnection);
    }
}

} // namespace qm::queue
