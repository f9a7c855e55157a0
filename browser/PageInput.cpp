#include "browser/PageInput.h"

#include <QJsonObject>

#include "browser/KeyMapping.h"
#include "platform/cdp/Session.h"
#include "platform/cdp/Tab.h"

namespace qm {

namespace {

QString ButtonName(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return QStringLiteral("left");
    case Qt::RightButton:
        return QStringLiteral("right");
    case Qt::MiddleButton:
        return QStringLiteral("middle");
    case Qt::BackButton:
        return QStringLiteral("back");
    case Qt::ForwardButton:
        return QStringLiteral("forward");
    default:
        return QStringLiteral("none");
    }
}

int ButtonMask(Qt::MouseButtons buttons)
{
    int mask = 0;
    if (buttons & Qt::LeftButton)
        mask |= 1;
    if (buttons & Qt::RightButton)
        mask |= 2;
    if (buttons & Qt::MiddleButton)
        mask |= 4;
    if (buttons & Qt::BackButton)
        mask |= 8;
    if (buttons & Qt::ForwardButton)
        mask |= 16;
    return mask;
}

QJsonObject MouseParams(const QString& type, QPointF at, Qt::KeyboardModifiers modifiers)
{
    return { { QStringLiteral("type"), type }, { QStringLiteral("x"), at.x() }, { QStringLiteral("y"), at.y() },
        { QStringLiteral("modifiers"), ModifierMask(modifiers) } };
}

// Input commands are answered once the renderer has handled them; a short limit keeps a hung page
// from holding the coalescing forever.
constexpr std::chrono::milliseconds kInputLimit { 5000 };

} // namespace

PageInput::PageInput(QObject* parent)
    : QObject(parent)
{
}

void PageInput::setTab(cdp::Tab* tab)
{
    m_tab = tab;
    ++m_generation;
    m_pending = 0;
    m_moveOut = m_wheelOut = false;
    m_nextMove.reset();
    m_nextWheel.reset();
}

void PageInput::send(const QString& method, const QJsonObject& params, std::function<void()> answered)
{
    if (!m_tab)
        return;
    ++m_pending;
    QPointer<PageInput> self(this);
    m_tab->session().send(
        method, params,
        [self, generation = m_generation, answered = std::move(answered)](Result<QJsonObject>) {
            if (!self || self->m_generation != generation)
                return; // an answer from a tab no longer shown
            --self->m_pending;
            if (answered)
                answered();
            if (self && self->m_pending == 0)
                emit self->idle();
        },
        kInputLimit);
}

void PageInput::move(QPointF at, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    const Move next { at, buttons, modifiers };
    if (m_moveOut)
        m_nextMove = next;
    else
        sendMove(next);
}

void PageInput::sendMove(const Move& move)
{
    if (!m_tab)
        return;
    QJsonObject params = MouseParams(QStringLiteral("mouseMoved"), move.at, move.modifiers);
    params.insert(QStringLiteral("buttons"), ButtonMask(move.buttons));
    // Chromium wants the held button named on a drag, else it treats the move as a hover.
    const Qt::MouseButton held = move.buttons & Qt::LeftButton ? Qt::LeftButton
        : move.buttons & Qt::RightButton                       ? Qt::RightButton
        : move.buttons & Qt::MiddleButton                      ? Qt::MiddleButton
                                                               : Qt::NoButton;
    params.insert(QStringLiteral("button"), ButtonName(held));
    m_moveOut = true;
    send(QStringLiteral("Input.dispatchMouseEvent"), params, [this, at = move.at] {
        m_moveOut = false;
        emit moved(at);
        if (m_nextMove) {
            const Move next = *m_nextMove;
            m_nextMove.reset();
            sendMove(next);
        }
    });
}

void PageInput::press(
    QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int clickCount)
{
    m_clickCount = std::max(1, clickCount);
    sendButton("mousePressed", at, button, buttons, modifiers, m_clickCount);
}

void PageInput::release(QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    sendButton("mouseReleased", at, button, buttons, modifiers, m_clickCount);
}

void PageInput::sendButton(const char* type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons,
    Qt::KeyboardModifiers modifiers, int clickCount)
{
    if (!m_tab)
        return;
    // The press carries its own position, so a move still waiting would only arrive late.
    m_nextMove.reset();
    QJsonObject params = MouseParams(QLatin1String(type), at, modifiers);
    params.insert(QStringLiteral("button"), ButtonName(button));
    params.insert(QStringLiteral("buttons"), ButtonMask(buttons));
    params.insert(QStringLiteral("clickCount"), clickCount);
    send(QStringLiteral("Input.dispatchMouseEvent"), params);
}

void PageInput::wheel(QPointF at, QPointF delta, Qt::KeyboardModifiers modifiers)
{
    if (m_wheelOut) {
        if (m_nextWheel) {
            m_nextWheel->at = at;
            m_nextWheel->delta += delta;
            m_nextWheel->modifiers = modifiers;
        } else {
            m_nextWheel = Wheel { at, delta, modifiers };
        }
        return;
    }
    sendWheel(Wheel { at, delta, modifiers });
}

void PageInput::sendWheel(const Wheel& wheel)
{
    if (!m_tab)
        return;
    QJsonObject params = MouseParams(QStringLiteral("mouseWheel"), wheel.at, wheel.modifiers);
    params.insert(QStringLiteral("deltaX"), wheel.delta.x());
    params.insert(QStringLiteral("deltaY"), wheel.delta.y());
    m_wheelOut = true;
    send(QStringLiteral("Input.dispatchMouseEvent"), params, [this] {
        m_wheelOut = false;
        if (m_nextWheel) {
            const Wheel next = *m_nextWheel;
            m_nextWheel.reset();
            sendWheel(next);
        }
    });
}

bool PageInput::key(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text)
{
    const std::optional<PageKey> key = PageKeyFor(qtKey, modifiers, text);
    if (!key)
        return false;
    if (!m_tab)
        return true;
    send(QStringLiteral("Input.dispatchKeyEvent"), KeyDownParams(*key, modifiers));
    send(QStringLiteral("Input.dispatchKeyEvent"), KeyUpParams(*key, modifiers));
    return true;
}

void PageInput::insertText(const QString& text)
{
    if (!m_tab || text.isEmpty())
        return;
    send(QStringLiteral("Input.insertText"), { { QStringLiteral("text"), text } });
}

} // namespace qm
