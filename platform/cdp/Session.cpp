#include "platform/cdp/Session.h"

#include <QMetaObject>

#include "platform/cdp/Connection.h"

namespace qm::cdp {

Session::Session(Connection& connection, QString sessionId, QObject* parent)
    : QObject(parent)
    , m_connection(connection)
    , m_id(std::move(sessionId))
{
    m_connection.addSession(this);
}

Session::~Session()
{
    if (m_attached)
        m_connection.removeSession(m_id);
}

void Session::sendForData(
    const QString& method, const QJsonObject& params, PayloadReply reply, std::chrono::milliseconds limit)
{
    if (!m_attached)
        return send(method, params,
            [reply = std::move(reply)](qm::Result<QJsonObject> r) { reply(std::unexpected(r.error())); });
    m_connection.sendForData(m_id, method, params, std::move(reply), limit);
}

void Session::send(const QString& method, const QJsonObject& params, Reply reply, std::chrono::milliseconds limit)
{
    if (!m_attached) {
        if (reply) {
            auto error = qm::Error::make(
                qm::Error::Code::BrowserGone, QStringLiteral("%1 was not sent: the tab is gone").arg(method));
            QMetaObject::invokeMethod(
                this, [reply = std::move(reply), error] { reply(std::unexpected(error)); }, Qt::QueuedConnection);
        }
        return;
    }
    m_connection.send(m_id, method, params, std::move(reply), limit);
}

void Session::detach(const qm::Error& why)
{
    if (!m_attached)
        return;
    m_attached = false;
    m_connection.removeSession(m_id);
    emit detached(why);
}

} // namespace qm::cdp
