#include "browser/Screencast.h"

#include <QJsonObject>

#include "platform/cdp/Session.h"
#include "platform/cdp/Tab.h"

namespace qm {

Screencast::Screencast(QObject* parent)
    : QObject(parent)
{
}

Screencast::~Screencast()
{
    stop();
}

void Screencast::start(cdp::Tab* tab)
{
    stop();
    m_tab = tab;
    if (!tab)
        return;
    m_events = connect(&tab->session(), &cdp::Session::event, this, &Screencast::onEvent);
    // JPEG decodes several times faster than PNG; at this quality text stays crisp on screen.
    QPointer<Screencast> self(this);
    tab->session().send(QStringLiteral("Page.startScreencast"),
        { { QStringLiteral("format"), QStringLiteral("jpeg") }, { QStringLiteral("quality"), 85 },
            { QStringLiteral("everyNthFrame"), 1 } },
        [self](Result<QJsonObject> r) {
            if (self && !r)
                emit self->failed(r.error());
        });
}

void Screencast::stop()
{
    disconnect(m_events);
    if (m_tab && m_tab->session().isAttached())
        m_tab->session().send(QStringLiteral("Page.stopScreencast"));
    m_tab = nullptr;
}

void Screencast::onEvent(const QString& method, const QJsonObject& params)
{
    if (method != QLatin1String("Page.screencastFrame") || !m_tab)
        return;
    m_tab->session().send(QStringLiteral("Page.screencastFrameAck"),
        { { QStringLiteral("sessionId"), params.value(QLatin1String("sessionId")) } });
    ++m_received;
    if (m_paused)
        return;
    const QByteArray bytes = QByteArray::fromBase64(params.value(QLatin1String("data")).toString().toLatin1());
    QImage image;
    if (image.loadFromData(bytes, "JPEG"))
        emit frame(image);
}

} // namespace qm
