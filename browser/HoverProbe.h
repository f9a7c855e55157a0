#pragma once

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <Qt>
#include <optional>

namespace qm {

namespace cdp {
class Tab;
}

// What lies under the pointer in the page: the address of a link (for the status bar) and the cursor
// the page asks for (a hand over links, an I-beam over text fields). One question at a time; a pointer
// that moved meanwhile is asked about once the answer is in.
class HoverProbe : public QObject
{
    Q_OBJECT
public:
    explicit HoverProbe(QObject* parent = nullptr);

    void setTab(cdp::Tab* tab);
    void probe(QPointF at);
    void forget(); // the pointer left the page

    QString link() const { return m_link; }
    Qt::CursorShape cursor() const { return m_cursor; }

    // The cursor for a CSS cursor name and what the element is.
    static Qt::CursorShape CursorFor(const QString& cssCursor, bool isLink, bool isTextField);

signals:
    void linkChanged(const QString& address); // empty when the pointer left the link
    void cursorChanged(Qt::CursorShape shape);
    void answered(); // after each answer, changed or not

private:
    void ask(QPointF at);
    void answer(const QString& link, Qt::CursorShape cursor);

    QPointer<cdp::Tab> m_tab;
    bool m_out = false;
    std::optional<QPointF> m_next;
    QString m_link;
    Qt::CursorShape m_cursor = Qt::ArrowCursor;
};

} // namespace qm
