#include "platform/cdp/Connection.h"

#include <QJsonDocument>
#include <cctype>
#include <optional>

#include "platform/Base64.h"
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

// Below this size an answer is parsed whole; above it, the time goes into the data string.
constexpr qsizetype LargeAnswer = 64 * 1024;
// The browser writes the id first and the data near the start of the result.
constexpr qsizetype DataKeyWithin = 512;

bool IsBase64(const QJsonObject& result)
{
    return result.value(QLatin1String("base64Encoded")).toBool(true);
}

QByteArray DataOf(const QJsonObject& result)
{
    const QString data = result.value(QLatin1String("data")).toString();
    return IsBase64(result) ? DecodeBase64(data.toLatin1()) : data.toUtf8();
}

std::optional<qint64> LeadingId(const QByteArray& message)
{
    static const QByteArray prefix = QByteArrayLiteral("{\"id\":");
    if (!message.startsWith(prefix))
        return std::nullopt;
    qsizetype end = prefix.size();
    while (end < message.size() && end < prefix.size() + 19 && std::isdigit(uchar(message.at(end))))
        ++end;
    bool ok = false;
    const qint64 id = QByteArrayView(message).sliced(prefix.size(), end - prefix.size()).toLongLong(&ok);
    return ok ? std::optional(id) : std::nullopt;
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
    Answer answer;
    if (reply)
        answer = [reply = std::move(reply)](qm::Result<QJsonObject> r, QByteArray) { reply(std::move(r)); };
    enqueue(sessionId, params, Pending { method, std::move(answer), false, steady_clock::now() + limit, limit });
}

void Connection::sendForData(
    const QString& sessionId, const QString& method, const QJsonObject& params, PayloadReply reply, milliseconds limit)
{
    Answer answer = [reply = std::move(reply)](qm::Result<QJsonObject> r, QByteArray data) {
        if (!r)
            return reply(std::unexpected(r.error()));
        reply(Payload { std::move(*r), std::move(data) });
    };
    enqueue(sessionId, params, Pending { method, std::move(answer), true, steady_clock::now() + limit, limit });
}

void Connection::enqueue(const QString& sessionId, const QJsonObject& params, Pending pending)
{
    if (m_closed) {
        deliverLater(std::move(pending.reply),
            std::unexpected(qm::Error::make(qm::Error::Code::BrowserGone,
                QStringLiteral("%1 was not sent: %2").arg(pending.method, m_closedBecause.message))));
        return;
    }
    const qint64 id = m_nextId++;
    QJsonObject message { { QStringLiteral("id"), id }, { QStringLiteral("method"), pending.method } };
    if (!params.isEmpty())
        message.insert(QStringLiteral("params"), params);
    if (!sessionId.isEmpty())
        message.insert(QStringLiteral("sessionId"), sessionId);
    m_pending.emplace(id, std::move(pending));
    armDeadline();
    m_transport->send(QJsonDocument(message).toJson(QJsonDocument::Compact));
}

// A large answer to a command sent for its data: the base64 string is cut out of the message and
// decoded where it lies, and only the rest is parsed. Anything unexpected (an escape in the string,
// text data, a cut that does not leave the result's data empty) leaves the answer to the parser.
bool Connection::deliverData(const QByteArray& message)
{
    const std::optional<qint64> id = LeadingId(message);
    const auto it = id ? m_pending.find(*id) : m_pending.end();
    if (it == m_pending.end() || !it->second.wantsData)
        return false;
    static const QByteArray key = QByteArrayLiteral("\"data\":\"");
    const qsizetype keyAt = QByteArrayView(message).first(std::min(message.size(), DataKeyWithin)).indexOf(key);
    if (keyAt < 0)
        return false;
    const qsizetype start = keyAt + key.size();
    const qsizetype end = message.indexOf('"', start);
    if (end < 0 || QByteArrayView(message).sliced(start, end - start).contains('\\'))
        return false;
    const QJsonObject object
        = QJsonDocument::fromJson(QByteArrayView(message).first(start).toByteArray() + message.sliced(end)).object();
    const QJsonObject result = object.value(QLatin1String("result")).toObject();
    const QJsonValue data = result.value(QLatin1String("data"));
    if (!data.isString() || !data.toString().isEmpty() || !IsBase64(result))
        return false;
    QByteArray bytes = DecodeBase64(QByteArrayView(message).sliced(start, end - start));
    Pending pending = std::move(it->second);
    m_pending.erase(it);
    armDeadline();
    if (pending.reply)
        pending.reply(result, std::move(bytes));
    return true;
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
    if (message.size() >= LargeAnswer && deliverData(message))
        return;
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
                                  .arg(pending.method, error.value(QLatin1String("message")).toString()))),
                {});
            return;
        }
        const QJsonObject result = object.value(QLatin1String("result")).toObject();
        pending.reply(result, pending.wantsData ? DataOf(result) : QByteArray());
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
            pending.reply(
                std::unexpected(qm::Error::make(qm::Error::Code::Timeout,
                    QStringLiteral("%1 timed out after %2").arg(pending.method, describeLimit(pending.limit)))),
                {});
    }
}

void Connection::deliverLater(Answer reply, qm::Result<QJsonObject> result)
{
    if (!reply)
        return;
    QMetaObject::invokeMethod(
        this, [reply = std::move(reply), result = std::move(result)] { reply(result, {}); }, Qt::QueuedConnection);
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
            entry.reply(std::unexpected(qm::Error::make(
                            why.code, QStringLiteral("%1 got no answer: %2").arg(entry.method, why.message))),
                {});
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
