#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <chrono>
#include <functional>

#include "platform/Error.h"

namespace qm::cdp {

class Connection;

using Reply = std::function<void(qm::Result<QJsonObject>)>;

// An answer whose "data" is a picture or a piece of a file: `data` holds its bytes, decoded from
// base64 unless the answer says they are text; `result` is the rest of the answer.
struct Payload
{
    QJsonObject result;
    QByteArray data;
};
using PayloadReply = std::function<void(qm::Result<Payload>)>;

// One flattened protocol session (a tab's target). Thin view on the connection: commands carry the
// session id, events for it arrive through event(). A detached session refuses new commands.
class Session : public QObject
{
    Q_OBJECT
public:
    Session(Connection& connection, QString sessionId, QObject* parent = nullptr);
    ~Session() override;

    const QString& id() const { return m_id; }
    bool isAttached() const { return m_attached; }

    // The reply always arrives later on the event loop, never inside this call; a command that gets
    // no answer within the limit fails with a message naming the method.
    void send(const QString& method, const QJsonObject& params = {}, Reply reply = {},
        std::chrono::milliseconds limit = std::chrono::milliseconds(30000));
    void sendForData(const QString& method, const QJsonObject& params, PayloadReply reply,
        std::chrono::milliseconds limit = std::chrono::milliseconds(30000));

    void detach(const qm::Error& why);

signals:
    void event(const QString& method, const QJsonObject& params);
    void detached(const qm::Error& why);

private:
    Connection& m_connection;
    QString m_id;
    bool m_attached = true;
};

} // namespace qm::cdp
