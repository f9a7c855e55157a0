#pragma once

#include <QJsonObject>
#include <QPointer>
#include <QString>
#include <chrono>
#include <functional>

#include "platform/Error.h"
#include "platform/cdp/Session.h"

namespace qm::cdp {

class Session;

// One page's time limit, fixed when the work on the page starts, and the commands sent against it:
// each waits for the browser at most until the deadline, and one sent after it fails with `expired`
// without reaching the browser. Failures go to `fail`; replies that arrive once `owner` (which holds
// this object) is gone are dropped.
class PageDeadline
{
public:
    using Failure = std::function<void(const qm::Error&)>;

    PageDeadline(QObject& owner, Session& session, std::chrono::milliseconds limit, qm::Error expired, Failure fail);

    // What is left of the limit; never below zero.
    std::chrono::milliseconds remaining() const;

    void send(const QString& method, const QJsonObject& params, std::function<void(const QJsonObject&)> next);
    void sendForData(const QString& method, const QJsonObject& params, std::function<void(Payload)> next);

private:
    // The reply for a command: failures go to `fail`, and nothing runs once the owner is gone (the owner
    // holds this object, so while it lives, so does `this`).
    template<typename Answer, typename Next> auto guarded(Next next)
    {
        return [owner = m_owner, this, next = std::move(next)](qm::Result<Answer> r) {
            if (!owner)
                return;
            if (!r)
                return m_fail(r.error());
            next(std::move(*r));
        };
    }

    QPointer<QObject> m_owner;
    Session& m_session;
    std::chrono::steady_clock::time_point m_deadline;
    qm::Error m_expired;
    Failure m_fail;
};

} // namespace qm::cdp
