#pragma once

#include <QJsonObject>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <Qt>
#include <functional>
#include <optional>

namespace qm {

namespace cdp {
class Tab;
}

// Forwards the user's mouse, wheel and keys to a tab as the protocol's input events. Moves and wheel
// turns are coalesced: while one is on its way, later ones merge into a single next one, so a fast
// mouse never builds a queue the page lags behind. Clicks and keys are sent at once, in order.
class PageInput : public QObject
{
    Q_OBJECT
public:
    explicit PageInput(QObject* parent = nullptr);

    void setTab(cdp::Tab* tab);

    void move(QPointF at, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
    void press(
        QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int clickCount);
    void release(QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
    // CSS pixels; positive y scrolls down.
    void wheel(QPointF at, QPointF delta, Qt::KeyboardModifiers modifiers);
    // A key press from Qt; returns false when the page has no use for it.
    bool key(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text);
    // Text without keys (an input method's commit).
    void insertText(const QString& text);

    // Input events sent and not yet handled by the page.
    int pending() const { return m_pending; }

signals:
    // The page has taken a move (the pointer position it now knows).
    void moved(QPointF at);
    // Every event sent so far has been handled.
    void idle();

private:
    struct Move
    {
        QPointF at;
        Qt::MouseButtons buttons;
        Qt::KeyboardModifiers modifiers;
    };
    struct Wheel
    {
        QPointF at;
        QPointF delta;
        Qt::KeyboardModifiers modifiers;
    };

    void send(const QString& method, const QJsonObject& params, std::function<void()> answered = {});
    void sendMove(const Move& move);
    void sendWheel(const Wheel& wheel);
    void sendButton(const char* type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons,
        Qt::KeyboardModifiers modifiers, int clickCount);

    QPointer<cdp::Tab> m_tab;
    bool m_moveOut = false;
    std::optional<Move> m_nextMove;
    bool m_wheelOut = false;
    std::optional<Wheel> m_nextWheel;
    int m_pending = 0;
    quint64 m_generation = 0;
    int m_clickCount = 1; // of the last press, which its release repeats
};

} // namespace qm
