#include "browser/Screencast.h"

#include <QJsonObject>
#include <QJsonValue>

#include "platform/cdp/Session.h"
#include "platform/cdp/Tab.h"

namespace qm {

namespace {

QImage Decode(const QString& base64)
{
    QImage image;
    image.loadFromData(QByteArray::fromBase64(base64.toLatin1()), "JPEG");
    return image;
}

} // namespace

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
    sendStart();
}

void Screencast::sendStart()
{
    // JPEG decodes several times faster than PNG; at this quality text stays crisp on screen.
    QPointer<Screencast> self(this);
    m_tab->session().send(QStringLiteral("Page.startScreencast"),
        { { QStringLiteral("format"), QStringLiteral("jpeg") }, { QStringLiteral("quality"), 85 },
            { QStringLiteral("everyNthFrame"), 1 } },
        [self, tab = m_tab](Result<QJsonObject> r) {
            if (!self || r || self->m_tab != tab)
                return;
            // Refused while the tab is between two documents: asked again at the page's next event.
            self->m_startAgain = true;
            emit self->failed(r.error());
        });
}

void Screencast::stop()
{
    disconnect(m_events);
    m_refreshing = m_refreshAgain = m_startAgain = false;
    if (m_tab && m_tab->session().isAttached())
        m_tab->session().send(QStringLiteral("Page.stopScreencast"));
    m_tab = nullptr;
}

void Screencast::onEvent(const QString& method, const QJsonObject& params)
{
    if (!m_tab)
        return;
    if (m_startAgain && method.startsWith(QLatin1String("Page."))) {
        m_startAgain = false;
        sendStart();
        return;
    }
    if (method == QLatin1String("Page.frameResized")) {
        // The page has its new size, but the screencast may wait for the page to change before it
        // sends a frame of it.
        refresh();
        return;
    }
    if (method != QLatin1String("Page.screencastFrame"))
        return;
    m_tab->session().send(QStringLiteral("Page.screencastFrameAck"),
        { { QStringLiteral("sessionId"), params.value(QLatin1String("sessionId")) } });
    show(params.value(QLatin1String("data")).toString());
}

void Screencast::refresh()
{
    if (!m_tab)
        return;
    if (m_refreshing) {
        m_refreshAgain = true; // the size changed again while the picture was being taken
        return;
    }
    m_refreshing = true;
    m_refreshAgain = false;
    QPointer<Screencast> self(this);
    // Two animation frames make the page draw itself at its new size; a screencast started after that
    // sends it. (A screenshot instead would race with the next resize: the browser puts back the size
    // it found when the screenshot began.)
    m_tab->evaluate(QStringLiteral("new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done)))"),
        [self](Result<QJsonValue>) {
            if (!self)
                return;
            self->m_refreshing = false;
            if (self->m_refreshAgain)
                return self->refresh();
            // A screencast that starts sends the page as it is now.
            if (self->m_tab) {
                self->m_tab->session().send(QStringLiteral("Page.stopScreencast"));
                self->sendStart();
            }
        });
}

void Screencast::show(const QString& base64)
{
    const QImage image = Decode(base64);
    if (!image.isNull())
        emit frame(image);
}

} // namespace qm
