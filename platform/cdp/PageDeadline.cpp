#include "platform/cdp/PageDeadline.h"

#include "platform/cdp/Session.h"

namespace qm::cdp {

using namespace std::chrono;

PageDeadline::PageDeadline(QObject& owner, Session& session, milliseconds limit, qm::Error expired, Failure fail)
    : m_owner(&owner)
    , m_session(session)
    , m_deadline(steady_clock::now() + limit)
    , m_expired(std::move(expired))
    , m_fail(std::move(fail))
{
}

milliseconds PageDeadline::remaining() const
{
    return std::max(duration_cast<milliseconds>(m_deadline - steady_clock::now()), 0ms);
}

void PageDeadline::send(const QString& method, const QJsonObject& params, std::function<void(const QJsonObject&)> next)
{
    const milliseconds limit = remaining();
    if (limit <= 0ms)
        return m_fail(m_expired);
    m_session.send(
        method, params,
        [owner = m_owner, this, next = std::move(next)](qm::Result<QJsonObject> r) {
            // The owner holds this object: while it lives, so does `this`.
            if (!owner)
                return;
            if (!r)
                return m_fail(r.error());
            next(*r);
        },
        limit);
}

void PageDeadline::sendForData(const QString& method, const QJsonObject& params, std::function<void(Payload)> next)
{
    const milliseconds limit = remaining();
    if (limit <= 0ms)
        return m_fail(m_expired);
    m_session.sendForData(
        method, params,
        [owner = m_owner, this, next = std::move(next)](qm::Result<Payload> r) {
            if (!owner)
                return;
            if (!r)
                return m_fail(r.error());
            next(std::move(*r));
        },
        limit);
}

} // namespace qm::cdp
