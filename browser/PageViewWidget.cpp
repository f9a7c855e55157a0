#include "browser/PageViewWidget.h"

#include <QInputMethodEvent>
#include <QJsonObject>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "browser/HoverProbe.h"
#include "browser/PageInput.h"
#include "browser/Screencast.h"
#include "platform/cdp/Session.h"
#include "platform/cdp/Tab.h"

namespace qm {

namespace {

// One wheel notch (120 eighths of a degree) scrolls as far as Chromium's own wheel step.
constexpr double kPixelsPerNotch = 100.0;

} // namespace

PageViewWidget::PageViewWidget(QWidget* parent)
    : QWidget(parent)
    , m_screencast(new Screencast(this))
    , m_input(new PageInput(this))
    , m_hover(new HoverProbe(this))
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(m_screencast, &Screencast::frame, this, &PageViewWidget::showFrame);
    connect(m_input, &PageInput::moved, m_hover, &HoverProbe::probe);
    connect(m_hover, &HoverProbe::linkChanged, this, &PageViewWidget::linkHovered);
    connect(m_hover, &HoverProbe::cursorChanged, this, [this](Qt::CursorShape shape) { setCursor(shape); });
    connect(m_hover, &HoverProbe::answered, this, &PageViewWidget::hoverUpdated);
    connect(m_input, &PageInput::idle, this, &PageViewWidget::inputIdle);
}

PageViewWidget::~PageViewWidget() = default;

void PageViewWidget::setTab(cdp::Tab* tab)
{
    m_tab = tab;
    m_input->setTab(tab);
    m_hover->setTab(tab);
    if (!tab) {
        m_screencast->stop();
        return;
    }
    // The page thinks it has the focus, so carets blink and fields take typing in a headless tab.
    tab->session().send(QStringLiteral("Emulation.setFocusEmulationEnabled"), { { QStringLiteral("enabled"), true } });
    pushViewport();
    m_screencast->start(tab);
}

void PageViewWidget::setFrozen(bool frozen)
{
    if (frozen == m_frozen)
        return;
    m_frozen = frozen;
    // The capture renders the page its own way; the screencast starts afresh once it is done.
    if (frozen) {
        m_screencast->stop();
        return;
    }
    if (!m_tab)
        return;
    pushViewport();
    m_screencast->start(m_tab);
    m_screencast->refresh();
}

QString PageViewWidget::linkUnderMouse() const
{
    return m_hover->link();
}

int PageViewWidget::inputPending() const
{
    return m_input->pending();
}

void PageViewWidget::showFrame(const QImage& image)
{
    m_frame = image;
    ++m_framesShown;
    update();
    emit frameShown();
}

void PageViewWidget::pushViewport()
{
    if (!m_tab || m_frozen || width() <= 0 || height() <= 0 || m_tab->viewport() == size())
        return;
    m_tab->setViewport(size());
    m_screencast->refresh();
}

void PageViewWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!m_frame.isNull())
        painter.drawImage(QPoint(0, 0), m_frame);
}

void PageViewWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    pushViewport();
}

void PageViewWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_frozen)
        m_input->move(event->position(), event->buttons(), event->modifiers());
}

void PageViewWidget::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    if (!m_frozen)
        m_input->press(event->position(), event->button(), event->buttons(), event->modifiers(), 1);
}

void PageViewWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_frozen)
        m_input->release(event->position(), event->button(), event->buttons(), event->modifiers());
}

void PageViewWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Qt sends press, release, double click, release; the page wants the second press with count 2.
    if (!m_frozen)
        m_input->press(event->position(), event->button(), event->buttons(), event->modifiers(), 2);
}

void PageViewWidget::wheelEvent(QWheelEvent* event)
{
    if (m_frozen)
        return;
    QPointF delta = event->pixelDelta().isNull() ? QPointF(event->angleDelta()) * (kPixelsPerNotch / 120.0)
                                                 : QPointF(event->pixelDelta());
    // Qt counts away from the user as positive; the page scrolls down for positive values.
    m_input->wheel(event->position(), -delta, event->modifiers());
    event->accept();
}

void PageViewWidget::keyPressEvent(QKeyEvent* event)
{
    if (m_frozen || !m_input->key(event->key(), event->modifiers(), event->text()))
        QWidget::keyPressEvent(event);
}

void PageViewWidget::inputMethodEvent(QInputMethodEvent* event)
{
    if (!m_frozen)
        m_input->insertText(event->commitString());
    event->accept();
}

void PageViewWidget::leaveEvent(QEvent* event)
{
    m_hover->forget();
    QWidget::leaveEvent(event);
}

bool PageViewWidget::focusNextPrevChild(bool)
{
    return false; // Tab moves between the page's fields, not out of the page
}

} // namespace qm
