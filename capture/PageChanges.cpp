#include "capture/PageChanges.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QPointer>
#include <QTimer>

#include "capture/OverlaySelectors.h"
#include "capture/PageChangeRegistry.h"
#include "capture/PageControls.h"
#include "platform/cdp/PageCall.h"
#include "platform/cdp/PageDeadline.h"
#include "platform/cdp/PageSettle.h"
#include "platform/cdp/Session.h"
#include "platform/cdp/Tab.h"

namespace qm {

using namespace std::chrono;

namespace {

// What the changes leave of the page's time limit for the capture (or print) that follows them.
constexpr milliseconds CaptureReserve { 5000 };

QString SecondsText(milliseconds waited)
{
    const double seconds = double(waited.count()) / 1000.0;
    return QString::number(seconds, 'f', seconds < 10 ? 1 : 0);
}

// Checks every selector, then waits in the page (on its observers and its own timers, nothing polls
// from here) until an element of `waitFor` is there with a box and not hidden, or `budget` runs out.
QString CheckAndWaitScript(const QStringList& selectors, const QString& waitFor, milliseconds budget)
{
    const QJsonObject options { { QStringLiteral("selectors"), QJsonArray::fromStringList(selectors) },
        { QStringLiteral("waitFor"), waitFor }, { QStringLiteral("budget"), qint64(budget.count()) } };
    return cdp::PageRoutineCall(QStringLiteral(":/capture/CheckAndWait.js"), options);
}

QString ApplyScript(const PageControls& controls)
{
    const QJsonObject options { { QStringLiteral("hide"), QJsonArray::fromStringList(controls.hide) },
        { QStringLiteral("remove"), QJsonArray::fromStringList(controls.remove) },
        { QStringLiteral("overlays"),
            QJsonArray::fromStringList(controls.noOverlays ? OverlaySelectors() : QStringList()) },
        { QStringLiteral("floating"),
            QJsonArray::fromStringList(controls.noOverlays ? FloatingOverlaySelectors() : QStringList()) },
        { QStringLiteral("consentWords"),
            QJsonArray::fromStringList(controls.noOverlays ? ConsentWords() : QStringList()) },
        { QStringLiteral("mark"), QLatin1String(OverlayMark) }, { QStringLiteral("style"), controls.style } };
    return PageChangeCall(QStringLiteral(":/capture/ApplyPageControls.js"), options);
}

class PageChanger : public QObject
{
public:
    PageChanger(cdp::Tab& tab, const PageControls& controls, milliseconds limit, std::function<void(Result<void>)> done)
        : QObject(&tab)
        , m_tab(tab)
        , m_controls(controls)
        , m_deadline(*this, tab.session(), limit,
              Error::make(Error::Code::Timeout,
                  QStringLiteral("the page's changes did not finish within %1 s").arg(SecondsText(limit))),
              [this](const Error& why) { finish(std::unexpected(why)); })
        , m_done(std::move(done))
    {
        connect(&m_tab, &cdp::Tab::crashed, this, [this](const Error& why) { finish(std::unexpected(why)); });
    }

    void start()
    {
        QStringList selectors = m_controls.hide + m_controls.remove;
        if (!m_controls.waitFor.isEmpty())
            selectors.prepend(m_controls.waitFor);
        const milliseconds budget = spare();
        m_deadline.send(QStringLiteral("Runtime.evaluate"),
            { { QStringLiteral("expression"), CheckAndWaitScript(selectors, m_controls.waitFor, budget) },
                { QStringLiteral("awaitPromise"), true }, { QStringLiteral("returnByValue"), true } },
            [this](const QJsonObject& r) {
                if (const auto failed = exception(r, QStringLiteral("the page could not be searched")))
                    return finish(std::unexpected(*failed));
                const QJsonObject answer
                    = r.value(QLatin1String("result")).toObject().value(QLatin1String("value")).toObject();
                if (const QString invalid = answer.value(QLatin1String("invalid")).toString(); !invalid.isEmpty())
                    return finish(fail(Error::Code::Usage, QStringLiteral("invalid selector \"%1\"").arg(invalid)));
                if (!answer.value(QLatin1String("found")).toBool())
                    return finish(fail(Error::Code::NotFound,
                        QStringLiteral("waited %1 s for %2")
                            .arg(SecondsText(milliseconds(qint64(answer.value(QLatin1String("waited")).toDouble()))),
                                m_controls.waitFor)));
                delay();
            });
    }

private:
    // What may be spent before the capture's share of the time limit.
    milliseconds spare() const
    {
        const milliseconds left = m_deadline.remaining();
        return std::max(milliseconds(0), left - std::min(CaptureReserve, left / 4));
    }

    // The delay counts from a settled page, and ends early rather than leave the capture no time.
    void delay()
    {
        if (m_controls.delay.count() <= 0)
            return apply();
        QPointer<PageChanger> self(this);
        cdp::SettlePage(m_tab, steady_clock::now() + std::min(milliseconds(10000), spare() / 2), [self] {
            if (!self)
                return;
            QTimer::singleShot(std::min(self->m_controls.delay, self->spare()), self, [self] { self->apply(); });
        });
    }

    void apply()
    {
        if (m_controls.hide.isEmpty() && m_controls.remove.isEmpty() && !m_controls.noOverlays
            && m_controls.style.isEmpty())
            return runScript();
        m_deadline.send(QStringLiteral("Runtime.evaluate"),
            { { QStringLiteral("expression"), ApplyScript(m_controls) }, { QStringLiteral("returnByValue"), true } },
            [this](const QJsonObject& r) {
                if (const auto failed = exception(r, QStringLiteral("the page's style could not be changed")))
                    return finish(std::unexpected(*failed));
                runScript();
            });
    }

    // The script's own value is what it yields; a promise is awaited, for what the capture leaves.
    void runScript()
    {
        if (m_controls.script.trimmed().isEmpty())
            return finish({});
        const milliseconds budget = std::max(milliseconds(1), spare());
        QPointer<PageChanger> self(this);
        m_tab.session().send(
            QStringLiteral("Runtime.evaluate"),
            { { QStringLiteral("expression"), m_controls.script }, { QStringLiteral("awaitPromise"), true } },
            [self, budget](Result<QJsonObject> r) {
                if (!self)
                    return;
                if (!r && r.error().code == Error::Code::Timeout)
                    return self->finish(fail(Error::Code::Usage,
                        QStringLiteral("the page script did not finish within %1 s").arg(SecondsText(budget))));
                if (!r)
                    return self->finish(std::unexpected(r.error()));
                if (const auto failed = exception(*r, QStringLiteral("the page script failed")))
                    return self->finish(std::unexpected(*failed));
                // A script that sent the page elsewhere is done when the page it went to is there.
                if (!self->m_tab.pageNavigating())
                    return self->finish({});
                cdp::SettlePage(self->m_tab, steady_clock::now() + self->spare(), [self] {
                    if (self)
                        self->finish({});
                });
            },
            budget);
    }

    static std::optional<Error> exception(const QJsonObject& reply, const QString& what)
    {
        const QJsonObject details = reply.value(QLatin1String("exceptionDetails")).toObject();
        if (details.isEmpty())
            return std::nullopt;
        QString text
            = details.value(QLatin1String("exception")).toObject().value(QLatin1String("description")).toString();
        if (text.isEmpty())
            text = details.value(QLatin1String("text")).toString();
        return Error::make(Error::Code::Usage, QStringLiteral("%1: %2").arg(what, text.section(u'\n', 0, 0)));
    }

    void finish(Result<void> result)
    {
        if (!m_done)
            return;
        auto done = std::exchange(m_done, nullptr);
        deleteLater();
        done(std::move(result));
    }

    cdp::Tab& m_tab;
    PageControls m_controls;
    cdp::PageDeadline m_deadline;
    std::function<void(Result<void>)> m_done;
};

} // namespace

void ChangePage(cdp::Tab& tab, const PageControls& controls, milliseconds limit, std::function<void(Result<void>)> done)
{
    auto* changer = new PageChanger(tab, controls, limit, std::move(done));
    QTimer::singleShot(0, changer, [changer] { changer->start(); });
}

QStringList HiddenSelectors(const PageControls& controls)
{
    if (!controls.noOverlays)
        return controls.hide + controls.remove;
    return controls.hide + controls.remove + OverlaySelectors()
        + QStringList { QStringLiteral("[%1]").arg(QLatin1String(OverlayMark)) };
}

void BodyHtmlWithout(cdp::Tab& tab, const QStringList& hidden, std::function<void(Result<QString>)> done)
{
    if (hidden.isEmpty())
        return tab.bodyHtml(std::move(done));
    const QString script = cdp::PageRoutineCall(QStringLiteral(":/capture/BodyHtmlWithout.js"),
        { { QStringLiteral("selectors"), QJsonArray::fromStringList(hidden) } });
    tab.evaluate(script, [done = std::move(done)](Result<QJsonValue> html) {
        if (!html)
            return done(std::unexpected(html.error()));
        done(html->toString());
    });
}

} // namespace qm
