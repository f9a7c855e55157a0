#include "capture/output/PdfOutput.h"

#include <QJsonObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <memory>

#include "capture/output/OutputFile.h"
#include "capture/output/ScrollerExpansion.h"
#include "platform/cdp/PageDeadline.h"
#include "platform/cdp/PageSettle.h"
#include "platform/cdp/Session.h"
#include "platform/cdp/Tab.h"

namespace qm {

using namespace std::chrono;

namespace {

constexpr double PointsPerInch = 72.0;
constexpr double A4WidthInches = 210.0 / 25.4;
constexpr double A4HeightInches = 297.0 / 25.4;
constexpr double HorizontalMarginPoints = 24.0;
constexpr double VerticalMarginPoints = 48.0;
constexpr int ChunkBytes = 1 << 20;

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
        cdp::ScrollerExpansion expand, bool tagged, PdfDone done)
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
        , m_file(std::move(file))
        , m_done(std::move(done))
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
            { { QStringLiteral("expression"), ExpandScrollersScript(m_expand) } },
            [this](const QJsonObject&) { print(); });
    }

    void print()
    {
        const QJsonObject params {
            { QStringLiteral("paperWidth"), A4WidthInches },
            { QStringLiteral("paperHeight"), A4HeightInches },
            { QStringLiteral("marginLeft"), HorizontalMarginPoints / PointsPerInch },
            { QStringLiteral("marginRight"), HorizontalMarginPoints / PointsPerInch },
            { QStringLiteral("marginTop"), VerticalMarginPoints / PointsPerInch },
            { QStringLiteral("marginBottom"), VerticalMarginPoints / PointsPerInch },
            { QStringLiteral("printBackground"), true },
            { QStringLiteral("transferMode"), QStringLiteral("ReturnAsStream") },
            { QStringLiteral("generateTaggedPDF"), m_tagged },
        };
        m_deadline.send(QStringLiteral("Page.printToPDF"), params, [this](const QJsonObject& r) {
            m_stream = r.value(QLatin1String("stream")).toString();
            if (m_stream.isEmpty())
                return fail(qm::Error::make(qm::Error::Code::Protocol, QStringLiteral("The browser returned no PDF")));
            readChunk();
        });
    }

    void readChunk()
    {
        m_deadline.sendForData(QStringLiteral("IO.read"),
            { { QStringLiteral("handle"), m_stream }, { QStringLiteral("size"), ChunkBytes } },
            [this](const cdp::Payload& r) {
                if (auto written = m_file->writeAll(r.data); !written)
                    return fail(written.error());
                if (!r.result.value(QLatin1String("eof")).toBool())
                    return readChunk();
                closeStream();
                finish(std::move(m_file));
            });
    }

    void closeStream()
    {
        if (!m_stream.isEmpty())
            m_tab.session().send(QStringLiteral("IO.close"), { { QStringLiteral("handle"), m_stream } });
        m_stream.clear();
    }

    void fail(const qm::Error& why)
    {
        closeStream();
        m_file.reset();
        finish(std::unexpected(why));
    }

    void finish(qm::Result<std::unique_ptr<OutputFile>> result)
    {
        if (!m_done)
            return;
        auto done = std::exchange(m_done, nullptr);
        if (m_expanded && !m_tab.isCrashed())
            m_tab.session().send(
                QStringLiteral("Runtime.evaluate"), { { QStringLiteral("expression"), UndoPageChangesScript() } });
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
    std::unique_ptr<OutputFile> m_file; // dropped, and so removed, unless handed on complete
    PdfDone m_done;
    QString m_stream;
    bool m_loaded = false;
};

void StartPdf(cdp::Tab& tab, const QString& address, bool shown, std::unique_ptr<OutputFile> file, milliseconds limit,
    cdp::ScrollerExpansion expand, bool tagged, PdfDone done)
{
    auto* job = new PdfJob(tab, address, shown, std::move(file), limit, expand, tagged, std::move(done));
    QTimer::singleShot(0, job, [job] { job->start(); });
}

} // namespace

void MakePdfInto(cdp::Tab& tab, const QString& address, std::unique_ptr<OutputFile> file, milliseconds limit,
    cdp::ScrollerExpansion expand, bool tagged, PdfDone done)
{
    StartPdf(tab, address, true, std::move(file), limit, expand, tagged, std::move(done));
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
