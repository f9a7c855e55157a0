#pragma once

#include <QByteArray>

#include "platform/cdp/Transport.h"

class QSocketNotifier;

namespace qm::cdp {

// Messages over a pair of pipes (the browser reads fd 3 and writes fd 4 on its side): NUL-terminated
// JSON, read as it comes and split at the NULs, written without blocking the event loop.
class PipeTransport : public Transport
{
    Q_OBJECT
public:
    // Takes ownership of both descriptors; they are made non-blocking.
    PipeTransport(int readFd, int writeFd, QObject* parent = nullptr);
    ~PipeTransport() override;

    void send(const QByteArray& message) override;
    void close() override;
    bool isOpen() const override { return m_readFd >= 0; }

private:
    void onReadable();
    void onWritable();
    void shutDown(const QString& why);

    int m_readFd = -1;
    int m_writeFd = -1;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    QByteArray m_inbox;
    qsizetype m_scanFrom = 0;
    QByteArray m_outbox;
};

} // namespace qm::cdp
