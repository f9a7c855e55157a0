#include "browser/HoverProbe.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonValue>

#include "platform/cdp/PageCall.h"
#include "platform/cdp/Tab.h"

namespace qm {

namespace {

QString ProbeScript(QPointF at)
{
    return cdp::PageRoutineCall(QStringLiteral(":/browser/HoverProbe.js"),
        { { QStringLiteral("x"), at.x() }, { QStringLiteral("y"), at.y() } });
}

} // namespace

HoverProbe::HoverProbe(QObject* parent)
    : QObject(parent)
{
}

void HoverProbe::setTab(cdp::Tab* tab)
{
    m_tab = tab;
    m_out = false;
    m_next.reset();
}

void HoverProbe::probe(QPointF at)
{
    if (m_out)
        m_next = at;
    else
        ask(at);
}

void HoverProbe::forget()
{
    m_next.reset();
    answer({}, Qt::ArrowCursor);
}

void HoverProbe::ask(QPointF at)
{
    if (!m_tab)
        return;
    m_out = true;
    QPointer<HoverProbe> self(this);
    m_tab->evaluate(ProbeScript(at), [self](Result<QJsonValue> r) {
        if (!self)
            return;
        self->m_out = false;
        if (self->m_next) {
            // The pointer moved on; only where it is now matters.
            const QPointF next = *self->m_next;
            self->m_next.reset();
            self->ask(next);
            return;
        }
        if (!r)
            return; // the page is between documents; the next move asks again
        const QJsonArray found = r->toArray();
        const QString link = found.at(0).toString();
        self->answer(link, CursorFor(found.at(1).toString(), !link.isEmpty(), found.at(2).toBool()));
    });
}

void HoverProbe::answer(const QString& link, Qt::CursorShape cursor)
{
    if (link != m_link) {
        m_link = link;
        emit linkChanged(link);
    }
    if (cursor != m_cursor) {
        m_cursor = cursor;
        emit cursorChanged(cursor);
    }
    emit answered();
}

Qt::CursorShape HoverProbe::CursorFor(const QString& cssCursor, bool isLink, bool isTextField)
{
    static const QHash<QString, Qt::CursorShape> named {
        { QStringLiteral("pointer"), Qt::PointingHandCursor },
        { QStringLiteral("text"), Qt::IBeamCursor },
        { QStringLiteral("wait"), Qt::WaitCursor },
        { QStringLiteral("progress"), Qt::BusyCursor },
        { QStringLiteral("crosshair"), Qt::CrossCursor },
        { QStringLiteral("move"), Qt::SizeAllCursor },
        { QStringLiteral("not-allowed"), Qt::ForbiddenCursor },
        { QStringLiteral("help"), Qt::WhatsThisCursor },
        { QStringLiteral("grab"), Qt::OpenHandCursor },
        { QStringLiteral("grabbing"), Qt::ClosedHandCursor },
        { QStringLiteral("default"), Qt::ArrowCursor },
    };
    const auto it = named.constFind(cssCursor.trimmed().toLower());
    if (it != named.constEnd())
        return it.value();
    // "auto" and names without a Qt shape: the browser's own choice.
    if (isLink)
        return Qt::PointingHandCursor;
    if (isTextField)
        return Qt::IBeamCursor;
    return Qt::ArrowCursor;
}

} // namespace qm
