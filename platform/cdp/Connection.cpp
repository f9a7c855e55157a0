#include "platform/cdp/Connection.h"

#include <QJsonDocument>

#include "platform/cdp/Transport.h"

namespace qm::cdp {

using namespace std::chrono;

namespace {

QString describeLimit(milliseconds limit)
{
    if (limit.count() % 1000 == 0)
        return QStringLiteral("%1 s").arg(limit.count() / 1000);
    return QStringLiteral("%1 ms").arg(limit.count());
}

} // namespace

Connection::Connection(Transport* transport, QObject* parent)
    : QObject(parent)
    , m_transport(transport)
{
    m_transport->setParent(this);
    m_deadlineTimer.setSingleShot(true);
    connect(&m_deadlineTimer, &QTimer::timeout, this, &Connection::onDeadline);
    connect(m_transport, &Transport::messageReceived, this, &Connection::onMessage);
    connect(m_transport, &Transport::closed, this, [this](const qm::Error& why) { close(why); });
}

Connection::~Connection()
{
    // Callbacks must not run into a half-destroyed owner: drop them silently.
    m_pending.clear();
    const auto sessions = std::exchange(m_sessions, {});
    for (const auto& session : sessions) {
        if (session)
            session->detach(qm::Error::make(qm::Error::Code::BrowserGone, QStringLiteral("the connection ended")));
    }
}

void Connection::send(
    const QString& sessionId, const QString& method, const QJsonObject& params, Reply reply, milliseconds limit)
{
    if (m_closed) {
        deliverLater(std::move(reply),
            std::unexpected(qm::Error::make(qm::Error::Code::BrowserGone,
                QStringLiteral("%1 was not sent: %2").arg(method, m_closedBecause.message))));
        return;
    }
    const qint64 id = m_nextId++;
    QJsonObject message { { QStringLiteral("id"), id }, { QStringLiteral("method"), method } };
    if (!params.isEmpty())
        message.insert(QStringLiteral("params"), params);
    if (!sessionId.isEmpty())
        message.insert(QStringLiteral("sessionId"), sessionId);
    m_pending.emplace(id, Pending { method, std::move(reply), steady_clock::now() + limit, limit });
    armDeadline();
    m_transport->send(QJsonDocument(message).toJson(QJsonDocument::Compact));
}

void Connection::addSession(Session* session)
{
    m_sessions.insert(session->id(), session);
}

void Connection::removeSession(const QString& sessionId)
{
    m_sessions.remove(sessionId);
}

void Connection::onMessage(const QByteArray& message)
{
    QJsonParseError parseError;
    const QJsonObject object = QJsonDocument::fromJson(message, &parseError).object();
    if (parseError.error != QJsonParseError::NoError)
        return; // not ours to understand; the command it answers will run out of time

    const auto idValue = object.value(QLatin1String("id"));
    if (!idValue.isUndefined()) {
        auto it = m_pending.find(idValue.toInteger());
        if (it == m_pending.end())
            return; // answered too late: its deadline already failed it
        Pending pending = std::move(it->second);
        m_pending.erase(it);
        armDeadline();
        if (!pending.reply)
            return;
        const QJsonObject error = object.value(QLatin1String("error")).toObject();
        if (!error.isEmpty() || !object.contains(QLatin1String("result"))) {
            pending.reply(std::unexpected(qm::Error::make(qm::Error::Code::Protocol,
                QStringLiteral("%1 failed: %2")
                    .arg(pending.method, error.value(QLatin1String("message")).toString()))));
            return;
        }
        pending.reply(object.value(QLatin1String("result")).toObject());
        return;
    }

    const QString method = object.value(QLatin1String("method")).toString();
    if (method.isEmpty())
        return; // neither an answer nor an event
    const QJsonObject params = object.value(QLatin1String("params")).toObject();
    const QString sessionId = object.value(QLatin1String("sessionId")).toString();
    if (method == QLatin1String("Target.detachedFromTarget")) {
        const QString detachedId = params.value(QLatin1String("sessionId")).toString();
        QPointer<Session> detached = m_sessions.take(detachedId);
        if (detached)
            detached->detach(qm::Error::make(qm::Error::Code::BrowserGone, QStringLiteral("the tab was closed")));
    }
    if (!sessionId.isEmpty()) {
        QPointer<Session> target = m_sessions.value(sessionId);
        if (target && target->isAttached())
            emit target->event(method, params);
        return; // messages for a closed session are dropped
    }
    emit event(method, params);
}

void Connection::armDeadline()
{
    if (m_pending.empty()) {
        m_deadlineTimer.stop();
        return;
    }
    auto earliest = steady_clock::time_point::max();
    for (const auto& [id, pending] : m_pending)
        earliest = std::min(earliest, pending.deadline);
    const auto wait = duration_cast<milliseconds>(earliest - steady_clock::now()) + 1ms;
    m_deadlineTimer.start(std::max(wait, 0ms));
}

void Connection::onDeadline()
{
    const auto now = steady_clock::now();
    std::vector<Pending> expired;
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        if (it->second.deadline <= now) {
            expired.push_back(std::move(it->second));
            it = m_pending.erase(it);
        } else {
            ++it;
        }
    }
    armDeadline();
    QPointer<Connection> alive(this);
    for (auto& pending : expired) {
        if (!alive)
            return;
        if (pending.reply)
            pending.reply(std::unexpected(qm::Error::make(qm::Error::Code::Timeout,
                QStringLiteral("%1 timed out after %2").arg(pending.method, describeLimit(pending.limit)))));
    }
}

void Connection::deliverLater(Reply reply, qm::Result<QJsonObject> result)
{
    if (!reply)
        return;
    QMetaObject::invokeMethod(
        this, [reply = std::move(reply), result = std::move(result)] { reply(result); }, Qt::QueuedConnection);
}

void Connection::close(const qm::Error& why)
{
    if (m_closed)
        return;
    m_closed = true;
    m_closedBecause = why;
    m_deadlineTimer.stop();
    auto pending = std::exchange(m_pending, {});
    const auto sessions = std::exchange(m_sessions, {});
    QPointer<Connection> alive(this);
    for (auto& [id, entry] : pending) {
        if (entry.reply)
            entry.reply(std::unexpected(
                qm::Error::make(why.code, QStringLiteral("%1 got no answer: %2").arg(entry.method, why.message))));
        if (!alive)
            return;
    }
    for (const auto& session : sessions) {
        if (session)
            session->detach(why);
        if (!alive)
            return;
    }
    m_transport->close();
    emit closed(why);
}

} // namespace qm::cdp
