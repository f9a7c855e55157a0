#include "FloorTab.h"

#include <QTimer>
#include <chrono>
#include <cstdio>

#include "capture/FullPageCapture.h"
#include "capture/output/OutputFile.h"
#include "capture/output/PdfOutput.h"
#include "platform/cdp/PageDeadline.h"
#include "platform/cdp/Tab.h"

using namespace std::chrono_literals;

namespace qm::bench {

namespace {

// Quillmark's own limits for one page: its load limit and its --timeout in bench.py.
constexpr auto LoadLimit = 60s;
constexpr auto PageLimit = 120s;

} // namespace

FloorTab::FloorTab(cdp::Tab& tab, std::shared_ptr<FloorQueue> queue, bool onePage, QObject* parent)
    : QObject(parent)
    , m_tab(tab)
    , m_queue(std::move(queue))
    , m_onePage(onePage)
{
}

FloorTab::~FloorTab() = default;

void FloorTab::start()
{
    takeNext();
}

QString FloorTab::target(int index) const
{
    return QStringLiteral("%1/page%2.%3").arg(m_queue->folder).arg(index).arg(m_queue->pdf ? "pdf" : "png");
}

void FloorTab::takeNext()
{
    m_printer.reset();
    m_deadline.reset();
    if (m_queue->next >= m_queue->urls.size() || (m_onePage && m_tookOne))
        return emit finished();
    m_tookOne = true;
    const int index = m_queue->next++;
    auto end = [this, index](bool loaded, const QString& why) {
        for (const auto& c : std::exchange(m_load, {}))
            disconnect(c);
        if (!loaded)
            return pageDone(index, fail(Error::Code::Navigation, why));
        m_queue->pdf ? print(index) : capture(index);
    };
    m_load.append(connect(&m_tab, &cdp::Tab::documentComplete, this, [end](const QString&, bool topLevel) {
        if (topLevel)
            end(true, {});
    }));
    m_load.append(connect(
        &m_tab, &cdp::Tab::loadFailed, this, [end](const QString&, const qm::Error& why) { end(false, why.message); }));
    m_tab.navigate(m_queue->urls[index], LoadLimit);
}

void FloorTab::capture(int index)
{
    // Quillmark's defaults for a PNG (the browser's own encoding, cut only at 100,000 px, pictures over
    // 32,768 px taken in bands and joined) with no scrolling box opened.
    cdp::SnapshotRequest request;
    request.encoding = cdp::SnapshotEncoding::Png;
    request.expand = cdp::ScrollerExpansion::None;
    request.timeLimit = PageLimit;
    CaptureFullPage(m_tab, request, [this, index](Result<cdp::Snapshot> snapshot) {
        if (!snapshot)
            return pageDone(index, std::unexpected(snapshot.error()));
        write(index, snapshot->encoded);
    });
}

void FloorTab::write(int index, const QByteArray& bytes)
{
    auto file = OutputFile::create(target(index));
    if (!file)
        return pageDone(index, std::unexpected(file.error()));
    if (auto written = (*file)->writeAll(bytes); !written)
        return pageDone(index, written);
    land(index, std::move(*file));
}

void FloorTab::print(int index)
{
    auto file = OutputFile::create(target(index));
    if (!file)
        return pageDone(index, std::unexpected(file.error()));
    m_deadline = std::make_unique<cdp::PageDeadline>(*this, m_tab.session(), PageLimit,
        Error::make(Error::Code::Timeout, QStringLiteral("print timed out")),
        [this](const Error& why) { m_printer->abandon(why); });
    m_printer = std::make_unique<PdfPrinter>(m_tab, *m_deadline);
    // Untagged, as Quillmark prints unless asked for the structure screen readers use.
    m_printer->print(false, std::move(*file),
        [this, index](Result<std::unique_ptr<OutputFile>> printed) { land(index, std::move(printed)); });
}

void FloorTab::land(int index, Result<std::unique_ptr<OutputFile>> file)
{
    if (!file)
        return pageDone(index, std::unexpected(file.error()));
    if (auto finished = (*file)->finish(); !finished)
        return pageDone(index, finished);
    auto landed = (*file)->land(target(index), true);
    pageDone(index, landed ? Result<void> {} : std::unexpected(landed.error()));
}

void FloorTab::pageDone(int index, const Result<void>& outcome)
{
    ++m_queue->done;
    if (!outcome) {
        ++m_queue->failed;
        std::fprintf(stderr, "%s: %s\n", qPrintable(m_queue->urls[index]), qPrintable(outcome.error().message));
    }
    // From the event loop: the printer or capture that called us is still on the stack.
    QTimer::singleShot(0, this, &FloorTab::takeNext);
}

} // namespace qm::bench
