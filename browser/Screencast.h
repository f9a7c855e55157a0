#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>

#include "platform/Error.h"

namespace qm {

namespace cdp {
class Tab;
}

// The tab's live picture: the browser sends a frame whenever the page's look changes, each one is
// acknowledged at once so the next can come, and decoded into an image. A paused screencast still
// acknowledges frames but shows none of them (the capture resizes the page meanwhile).
class Screencast : public QObject
{
    Q_OBJECT
public:
    explicit Screencast(QObject* parent = nullptr);
    ~Screencast() override;

    void start(cdp::Tab* tab);
    void stop();
    void setPaused(bool paused) { m_paused = paused; }
    bool isPaused() const { return m_paused; }

    qint64 framesReceived() const { return m_received; }

signals:
    void frame(const QImage& image);
    void failed(const qm::Error& why);

private:
    void onEvent(const QString& method, const QJsonObject& params);

    QPointer<cdp::Tab> m_tab;
    QMetaObject::Connection m_events;
    bool m_paused = false;
    qint64 m_received = 0;
};

} // namespace qm
