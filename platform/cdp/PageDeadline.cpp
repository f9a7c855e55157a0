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
    if (const milliseconds limit = remaining(); limit <= 0ms)
        m_fail(m_expired);
    else
        m_session.send(method, params, guarded<QJsonObject>(std::move(next)), limit);
}

void PageDeadline::sendForData(const QString& method, const QJsonObject& params, std::function<void(Payload)> next)
{
    if (const milliseconds limit = remaining(); limit <= 0ms)
        m_fail(m_expired);
    else
        m_session.sendForData(method, params, guarded<Payload>(std::move(next)), limit);
}

} // namespace qm::cdp
