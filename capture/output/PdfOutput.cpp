#include "capture/output/PdfOutput.h"

#include <QJsonObject>

#include "capture/output/OutputFile.h"
#include "platform/cdp/PageDeadline.h"
#include "platform/cdp/Session.h"
#include "platform/cdp/Tab.h"

namespace qm {

namespace {

constexpr double PointsPerInch = 72.0;
constexpr double A4WidthInches = 210.0 / 25.4;
constexpr double A4HeightInches = 297.0 / 25.4;
constexpr double HorizontalMarginPoints = 24.0;
constexpr double VerticalMarginPoints = 48.0;
constexpr int ChunkBytes = 1 << 20;

} // namespace

PdfPrinter::PdfPrinter(cdp::Tab& tab, cdp::PageDeadline& deadline)
    : m_tab(tab)
    , m_deadline(deadline)
{
}

void PdfPrinter::print(bool tagged, std::unique_ptr<OutputFile> file, PdfDone done)
{
    m_file = std::move(file);
    m_done = std::move(done);
    const QJsonObject params {
        { QStringLiteral("paperWidth"), A4WidthInches },
        { QStringLiteral("paperHeight"), A4HeightInches },
        { QStringLiteral("marginLeft"), HorizontalMarginPoints / PointsPerInch },
        { QStringLiteral("marginRight"), HorizontalMarginPoints / PointsPerInch },
        { QStringLiteral("marginTop"), VerticalMarginPoints / PointsPerInch },
        { QStringLiteral("marginBottom"), VerticalMarginPoints / PointsPerInch },
        { QStringLiteral("printBackground"), true },
        { QStringLiteral("transferMode"), QStringLiteral("ReturnAsStream") },
        { QStringLiteral("generateTaggedPDF"), tagged },
    };
    m_deadline.send(QStringLiteral("Page.printToPDF"), params, [this](const QJsonObject& r) {
        m_stream = r.value(QLatin1String("stream")).toString();
        if (m_stream.isEmpty())
            return abandon(Error::make(Error::Code::Protocol, QStringLiteral("The browser returned no PDF")));
        readChunk();
    });
}

void PdfPrinter::readChunk()
{
    m_deadline.sendForData(QStringLiteral("IO.read"),
        { { QStringLiteral("handle"), m_stream }, { QStringLiteral("size"), ChunkBytes } },
        [this](const cdp::Payload& r) {
            if (auto written = m_file->writeAll(r.data); !written)
                return abandon(written.error());
            if (!r.result.value(QLatin1String("eof")).toBool())
                return readChunk();
            closeStream();
            finish(std::move(m_file));
        });
}

void PdfPrinter::closeStream()
{
    if (!m_stream.isEmpty())
        m_tab.session().send(QStringLiteral("IO.close"), { { QStringLiteral("handle"), m_stream } });
    m_stream.clear();
}

void PdfPrinter::abandon(const Error& why)
{
    closeStream();
    m_file.reset();
    finish(std::unexpected(why));
}

void PdfPrinter::finish(Result<std::unique_ptr<OutputFile>> result)
{
    if (auto done = std::exchange(m_done, nullptr))
        done(std::move(result));
}

} // namespace qm
