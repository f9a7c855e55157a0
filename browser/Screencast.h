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
// acknowledged at once so the next can come, and decoded into an image. The browser does not always
// send one after the viewport changes size, so refresh() has it send the page as it is now.
class Screencast : public QObject
{
    Q_OBJECT
public:
    explicit Screencast(QObject* parent = nullptr);
    ~Screencast() override;

    void start(cdp::Tab* tab);
    void stop();
    // A frame of the page as it is now, once it has drawn itself (after a resize).
    void refresh();

signals:
    void frame(const QImage& image);
    void failed(const qm::Error& why);

private:
    void onEvent(const QString& method, const QJsonObject& params);

    void sendStart();
    void show(const QString& base64);

    QPointer<cdp::Tab> m_tab;
    QMetaObject::Connection m_events;
    bool m_refreshing = false;
    bool m_refreshAgain = false;
    bool m_startAgain = false;
};

} // namespace qm
