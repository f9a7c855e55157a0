#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

namespace qm {

namespace cdp {
class Tab;
}
class HoverProbe;
class PageInput;
class Screencast;

// The mini browser's page view: shows a tab of the engine live (its screencast) and hands the user's
// mouse, wheel and keys to it. Its size is the tab's viewport. While frozen (a capture is under way)
// it keeps showing the last frame, forwards nothing and leaves the viewport to the capture.
class PageViewWidget : public QWidget
{
    Q_OBJECT
public:
    explicit PageViewWidget(QWidget* parent = nullptr);
    ~PageViewWidget() override;

    void setTab(cdp::Tab* tab);
    cdp::Tab* tab() const { return m_tab; }

    void setFrozen(bool frozen);
    bool isFrozen() const { return m_frozen; }

    QImage currentFrame() const { return m_frame; }
    qint64 framesShown() const { return m_framesShown; }
    QString linkUnderMouse() const;
    int inputPending() const; // input events the page has not handled yet

signals:
    void frameShown();
    void linkHovered(const QString& address); // empty when the pointer left the link
    void hoverUpdated(); // the page said what lies under the pointer
    void inputIdle(); // the page has handled every input event sent to it

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void showFrame(const QImage& image);
    void pushViewport();

    QPointer<cdp::Tab> m_tab;
    Screencast* m_screencast;
    PageInput* m_input;
    HoverProbe* m_hover;
    QImage m_frame;
    qint64 m_framesShown = 0;
    bool m_frozen = false;
};

} // namespace qm
