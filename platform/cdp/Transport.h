#pragma once

#include <QByteArray>
#include <QObject>

#include "platform/Error.h"

namespace qm::cdp {

// Carries whole protocol messages (one JSON text each) to and from a browser.
class Transport : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void send(const QByteArray& message) = 0;
    // Stops the transport; closed() follows on the event loop unless it was already closed.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

signals:
    void messageReceived(const QByteArray& message);
    void closed(const qm::Error& why);
};

} // namespace qm::cdp
