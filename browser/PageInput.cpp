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
    m_moveOut = m_wheelOut = false;
    m_nextMove.reset();
    m_nextWheel.reset();
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
    QPointer<PageInput> self(this);
    m_tab->session().send(
        QStringLiteral("Input.dispatchMouseEvent"), params,
        [self, at = move.at](Result<QJsonObject>) {
            if (!self)
                return;
            self->m_moveOut = false;
            emit self->moved(at);
            if (self->m_nextMove) {
                const Move next = *self->m_nextMove;
                self->m_nextMove.reset();
                self->sendMove(next);
            }
        },
        kInputLimit);
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
    m_tab->session().send(QStringLiteral("Input.dispatchMouseEvent"), params, {}, kInputLimit);
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
    QPointer<PageInput> self(this);
    m_tab->session().send(
        QStringLiteral("Input.dispatchMouseEvent"), params,
        [self](Result<QJsonObject>) {
            if (!self)
                return;
            self->m_wheelOut = false;
            if (self->m_nextWheel) {
                const Wheel next = *self->m_nextWheel;
                self->m_nextWheel.reset();
                self->sendWheel(next);
            }
        },
        kInputLimit);
}

bool PageInput::key(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text)
{
    const std::optional<PageKey> key = PageKeyFor(qtKey, modifiers, text);
    if (!key)
        return false;
    if (!m_tab)
        return true;
    m_tab->session().send(QStringLiteral("Input.dispatchKeyEvent"), KeyDownParams(*key, modifiers), {}, kInputLimit);
    m_tab->session().send(QStringLiteral("Input.dispatchKeyEvent"), KeyUpParams(*key, modifiers), {}, kInputLimit);
    return true;
}

void PageInput::insertText(const QString& text)
{
    if (!m_tab || text.isEmpty())
        return;
    m_tab->session().send(QStringLiteral("Input.insertText"), { { QStringLiteral("text"), text } }, {}, kInputLimit);
}

} // namespace qm
