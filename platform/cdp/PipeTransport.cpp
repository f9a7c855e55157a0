#include "platform/cdp/PipeTransport.h"

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace qm::cdp {

namespace {

void makeNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

constexpr qsizetype ReadChunk = 1 << 20;

} // namespace

PipeTransport::PipeTransport(int readFd, int writeFd, QObject* parent)
    : Transport(parent)
    , m_readFd(readFd)
    , m_writeFd(writeFd)
{
    makeNonBlocking(m_readFd);
    makeNonBlocking(m_writeFd);
    m_readNotifier = new QSocketNotifier(m_readFd, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PipeTransport::onReadable);
    m_writeNotifier = new QSocketNotifier(m_writeFd, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PipeTransport::onWritable);
}

PipeTransport::~PipeTransport()
{
    if (m_readFd >= 0)
        ::close(m_readFd);
    if (m_writeFd >= 0)
        ::close(m_writeFd);
}

void PipeTransport::send(const QByteArray& message)
{
    if (!isOpen())
        return;
    const bool idle = m_outbox.isEmpty();
    m_outbox.append(message);
    m_outbox.append('\0');
    if (idle)
        onWritable();
}

void PipeTransport::onWritable()
{
    while (!m_outbox.isEmpty() && m_writeFd >= 0) {
        const ssize_t n = ::write(m_writeFd, m_outbox.constData(), size_t(m_outbox.size()));
        if (n > 0) {
            m_outbox.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        shutDown(QStringLiteral("writing to the browser failed: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_outbox.isEmpty());
}

void PipeTransport::onReadable()
{
    bool ended = false;
    for (;;) {
        const qsizetype old = m_inbox.size();
        m_inbox.resize(old + ReadChunk);
        const ssize_t n = ::read(m_readFd, m_inbox.data() + old, size_t(ReadChunk));
        m_inbox.resize(old + std::max<ssize_t>(n, 0));
        if (n > 0)
            continue;
        if (n < 0 && errno == EINTR)
            continue;
        // Zero bytes or a hard error: the browser has gone. What arrived complete is still delivered.
        ended = !(n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
        break;
    }
    // Earlier bytes held no NUL, so the search starts where the new bytes began.
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = m_inbox.indexOf('\0', std::max(start, m_scanFrom));
        if (end < 0)
            break;
        const QByteArray message = m_inbox.mid(start, end - start);
        start = end + 1;
        emit messageReceived(message);
        if (!isOpen())
            return;
    }
    m_inbox.remove(0, start);
    m_scanFrom = m_inbox.size();
    if (m_inbox.capacity() > 4 * ReadChunk && m_inbox.size() < ReadChunk)
        m_inbox.squeeze();
    if (ended)
        shutDown(QStringLiteral("the browser closed its protocol pipe"));
}

void PipeTransport::close()
{
    if (!isOpen())
        return;
    shutDown(QStringLiteral("the connection was closed"));
}

void PipeTransport::shutDown(const QString& why)
{
    if (m_readFd < 0)
        return;
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    ::close(m_readFd);
    ::close(m_writeFd);
    m_readFd = -1;
    m_writeFd = -1;
    m_outbox.clear();
    m_inbox.clear();
    const qm::Error error = qm::Error::make(qm::Error::Code::BrowserGone, why);
    QTimer::singleShot(0, this, [this, error] { emit closed(error); });
}

} // namespace qm::cdp
