#include "capture/PdfCapture.h"

#include <QJsonObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <memory>

#include "capture/PageChangeRegistry.h"
#include "capture/ScrollerExpansion.h"
#include "capture/output/OutputFile.h"
#include "platform/cdp/PageDeadline.h"
#include "platform/cdp/PageSettle.h"
#include "platform/cdp/Session.h"
#include "platform/cdp/Tab.h"

namespace qm {

using namespace std::chrono;

namespace {

bool sameAddress(const QString& a, const QString& b)
{
    const auto norm = [](const QString& s) {
        return QUrl(s).adjusted(QUrl::NormalizePathSegments | QUrl::StripTrailingSlash).toString();
    };
    return !a.isEmpty() && norm(a) == norm(b);
}

class PdfJob : public QObject
{
public:
    PdfJob(cdp::Tab& tab, QString address, bool shown, std::unique_ptr<OutputFile> file, milliseconds limit,
        cdp::ScrollerExpansion expand, bool tagged, PdfDone done, std::shared_ptr<QStringList> notes)
        : QObject(&tab)
        , m_tab(tab)
        , m_address(std::move(address))
        , m_shown(shown)
        , m_expand(expand)
        , m_tagged(tagged)
        , m_deadline(*this, tab.session(), limit,
              qm::Error::make(qm::Error::Code::Timeout,
                  QStringLiteral("%1: the PDF was not made within %2 s").arg(m_address).arg(limit.count() / 1000.0)),
              [this](const qm::Error& why) { fail(why); })
        , m_printer(tab, m_deadline)
        , m_file(std::move(file))
        , m_done(std::move(done))
        , m_notes(std::move(notes))
    {
        connect(&m_tab, &cdp::Tab::crashed, this, [this](const qm::Error& why) { fail(why); });
    }

    void start()
    {
        if (m_shown || (sameAddress(m_tab.currentUrl(), m_address) && !m_tab.lastLoad().url.isEmpty()))
            return settle();
        connect(&m_tab, &cdp::Tab::documentComplete, this, [this](const QString&, bool topLevel) {
            if (topLevel && !m_loaded) {
                m_loaded = true;
                settle();
            }
        });
        connect(&m_tab, &cdp::Tab::loadFailed, this, [this](const QString&, const qm::Error& why) {
            if (!m_loaded)
                fail(why);
        });
        m_tab.navigate(m_address, m_deadline.remaining());
    }

private:
    void settle()
    {
        QPointer<PdfJob> self(this);
        cdp::SettlePage(m_tab, steady_clock::now() + std::min(m_deadline.remaining() / 2, milliseconds(10000)), [self] {
            if (self)
                self->expand();
        });
    }

    void expand()
    {
        if (m_expand == cdp::ScrollerExpansion::None)
            return print();
        m_expanded = true;
        m_deadline.send(QStringLiteral("Runtime.evaluate"),
            { { QStringLiteral("expression"), ExpandScrollersScript(m_expand) },
                { QStringLiteral("awaitPromise"), true }, { QStringLiteral("returnByValue"), true } },
            [this](const QJsonObject& reply) {
                if (m_notes)
                    m_notes->append(ReadScrollerExpansionDone(reply).notes);
                print();
            });
    }

    void print()
    {
        m_printer.print(m_tagged, std::move(m_file),
            [this](qm::Result<std::unique_ptr<OutputFile>> made) { finish(std::move(made)); });
    }

    void fail(const qm::Error& why)
    {
        m_printer.abandon(why);
        m_file.reset();
        finish(std::unexpected(why));
    }

    void finish(qm::Result<std::unique_ptr<OutputFile>> result)
    {
        if (!m_done)
            return;
        auto done = std::exchange(m_done, nullptr);
        if (m_expanded && !m_tab.isCrashed())
            m_tab.session().send(QStringLiteral("Runtime.evaluate"),
                { { QStringLiteral("expression"), GiveBackPageScript(QLatin1String(kCaptureStep)) } });
        deleteLater();
        done(std::move(result));
    }

    cdp::Tab& m_tab;
    QString m_address;
    bool m_shown; // the tab shows the page, whatever its address has become since it loaded
    cdp::ScrollerExpansion m_expand;
    bool m_tagged;
    bool m_expanded = false;
    cdp::PageDeadline m_deadline;
    PdfPrinter m_printer;
    std::unique_ptr<OutputFile> m_file; // until the printer takes it
    PdfDone m_done;
    std::shared_ptr<QStringList> m_notes;
    bool m_loaded = false;
};

void StartPdf(cdp::Tab& tab, const QString& address, bool shown, std::unique_ptr<OutputFile> file, milliseconds limit,
    cdp::ScrollerExpansion expand, bool tagged, PdfDone done, std::shared_ptr<QStringList> notes = nullptr)
{
    auto* job
        = new PdfJob(tab, address, shown, std::move(file), limit, expand, tagged, std::move(done), std::move(notes));
    QTimer::singleShot(0, job, [job] { job->start(); });
}

} // namespace

void MakePdfInto(cdp::Tab& tab, const QString& address, std::unique_ptr<OutputFile> file, milliseconds limit,
    cdp::ScrollerExpansion expand, bool tagged, PdfDone done, std::shared_ptr<QStringList> notes)
{
    StartPdf(tab, address, true, std::move(file), limit, expand, tagged, std::move(done), std::move(notes));
}

void MakePdfFromPage(cdp::Tab& tab, const QString& address, const QString& outputPath, milliseconds limit,
    cdp::ScrollerExpansion expand, bool tagged, std::function<void(qm::Result<void>)> done)
{
    auto file = OutputFile::create(outputPath);
    if (!file) {
        QTimer::singleShot(0, &tab, [done = std::move(done), error = file.error()] { done(std::unexpected(error)); });
        return;
    }
    StartPdf(tab, address, false, std::move(*file), limit, expand, tagged,
        [outputPath, done = std::move(done)](qm::Result<std::unique_ptr<OutputFile>> made) {
            if (!made)
                return done(std::unexpected(made.error()));
            auto landed = (*made)->land(outputPath, true);
            done(landed ? qm::Result<void> {} : std::unexpected(landed.error()));
        });
}

} // namespace qm
