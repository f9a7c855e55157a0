#include "capture/FullPageCapture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QTimer>
#include <cmath>
#include <limits>

#include "capture/BandEncoder.h"
#include "capture/PageChangeRegistry.h"
#include "capture/PngBandJoiner.h"
#include "capture/ScrollerExpansion.h"
#include "platform/cdp/PageCall.h"
#include "platform/cdp/PageDeadline.h"
#include "platform/cdp/PageSettle.h"
#include "platform/cdp/Session.h"
#include "platform/cdp/Tab.h"

namespace qm {

using namespace std::chrono;
using cdp::SnapshotEncoding;

namespace {

// One capture holds at most this many pixels (a page 12,500 px tall at 1280 px); taller pages are taken
// in bands of about BandPixels, which the PNG output joins as the browser compressed them. The limit
// keeps the browser's picture memory in bounds: the browser holds several copies of each capture, so
// with 42 Mpx captures two pages at once peaked near 1.4 GB, with 16 Mpx near 0.95 GB, for about the
// same time (each band lays the page out again, which costs little against drawing it).
constexpr qint64 SinglePixels = 16'000'000;
constexpr int SingleHeight = 32768;
constexpr qint64 BandPixels = 16'000'000;
constexpr int JpegMaxSide = 65500;
constexpr int WebpMaxSide = 16383;

QString prepareScript(milliseconds budget, const cdp::SnapshotRequest& request, double scale)
{
    const qint64 cap
        = request.maxHeight > 0 ? qint64(std::ceil(request.maxHeight / scale)) : std::numeric_limits<int>::max();
    return PageChangeCall(QStringLiteral(":/capture/PreparePage.js"),
        { { QStringLiteral("budget"), qint64(budget.count()) }, { QStringLiteral("cap"), cap } });
}

QString elementBoxScript(const QString& selector, milliseconds budget)
{
    return cdp::PageRoutineCall(QStringLiteral(":/capture/ElementBox.js"),
        { { QStringLiteral("selector"), selector }, { QStringLiteral("budget"), qint64(budget.count()) } });
}

class CaptureJob : public QObject
{
public:
    CaptureJob(cdp::Tab& tab, const cdp::SnapshotRequest& request, std::function<void(qm::Result<cdp::Snapshot>)> done)
        : QObject(&tab)
        , m_tab(tab)
        , m_request(request)
        , m_deadline(*this, tab.session(), request.timeLimit,
              qm::Error::make(qm::Error::Code::Timeout,
                  QStringLiteral("The capture did not finish within %1 s").arg(request.timeLimit.count() / 1000.0)),
              [this](const qm::Error& why) { fail(why); })
        , m_done(std::move(done))
        , m_scale(tab.deviceScale() > 0 ? tab.deviceScale() : 1)
    {
        connect(&m_tab, &cdp::Tab::crashed, this, [this](const qm::Error& why) { fail(why); });
    }

    void start()
    {
        if (m_tab.isCrashed()) {
            fail(qm::Error::make(qm::Error::Code::Crashed, QStringLiteral("the page's renderer crashed")));
            return;
        }
        QPointer<CaptureJob> self(this);
        m_tab.activate([self](qm::Result<void> r) {
            if (!self)
                return;
            if (!r)
                return self->fail(r.error());
            self->prepare();
        });
    }

private:
    // The page's scrolling boxes are opened first, then it is made ready (PreparePage.js). Every style
    // change is noted, to be given back after the capture.
    void prepare()
    {
        if (m_request.expand == cdp::ScrollerExpansion::None)
            return prepareRest();
        m_deadline.send(QStringLiteral("Runtime.evaluate"),
            { { QStringLiteral("expression"), ExpandScrollersScript(m_request.expand, true) },
                { QStringLiteral("awaitPromise"), true }, { QStringLiteral("returnByValue"), true } },
            [this](const QJsonObject& r) {
                m_pageNotes += ReadScrollerExpansionDone(r).notes;
                prepareRest();
            });
    }

    void prepareRest()
    {
        const milliseconds budget = m_deadline.remaining() / 4;
        m_deadline.send(QStringLiteral("Runtime.evaluate"),
            { { QStringLiteral("expression"), prepareScript(budget, m_request, m_scale) },
                { QStringLiteral("awaitPromise"), true }, { QStringLiteral("returnByValue"), true } },
            [this](const QJsonObject&) { settle(&CaptureJob::openLateScrollers); });
    }

    void settle(void (CaptureJob::*next)())
    {
        const auto settleBudget = std::min(m_request.settleLimit, m_deadline.remaining() / 2);
        QPointer<CaptureJob> self(this);
        cdp::SettlePage(m_tab, steady_clock::now() + settleBudget, [self, next] {
            if (self)
                (self.data()->*next)();
        });
    }

    // Content that arrived while the page settled may have filled boxes that did not scroll before.
    void openLateScrollers()
    {
        if (m_request.expand == cdp::ScrollerExpansion::None)
            return measure();
        m_deadline.send(QStringLiteral("Runtime.evaluate"),
            { { QStringLiteral("expression"), ExpandScrollersScript(m_request.expand) },
                { QStringLiteral("awaitPromise"), true }, { QStringLiteral("returnByValue"), true } },
            [this](const QJsonObject& r) {
                const ScrollerExpansionDone done = ReadScrollerExpansionDone(r);
                m_pageNotes += done.notes;
                if (done.changed > 0)
                    return settle(&CaptureJob::measure);
                measure();
            });
    }

    void measure()
    {
        m_deadline.send(QStringLiteral("Page.getLayoutMetrics"), {}, [this](const QJsonObject& r) {
            const QJsonObject view = r.value(QLatin1String("cssVisualViewport")).toObject();
            m_scrolled = view.value(QLatin1String("pageX")).toDouble() != 0
                || view.value(QLatin1String("pageY")).toDouble() != 0;
            const QJsonObject content = r.value(QLatin1String("cssContentSize")).toObject();
            const QRectF page(0, 0, std::ceil(content.value(QLatin1String("width")).toDouble()),
                std::ceil(content.value(QLatin1String("height")).toDouble()));
            if (page.isEmpty())
                return fail(
                    qm::Error::make(qm::Error::Code::Unsupported, QStringLiteral("The page has no size to capture")));
            if (m_request.selector.isEmpty())
                return frame(page);
            locate(page);
        });
    }

    // The element the request names, waited for within most of the time left; one that appears late
    // gets the page's settling again (its pictures load), then is measured afresh.
    void locate(const QRectF& page)
    {
        const milliseconds left = m_deadline.remaining();
        const milliseconds budget
            = left - std::min(left / 2, std::clamp(left / 5, milliseconds(1000), milliseconds(10000)));
        m_deadline.send(QStringLiteral("Runtime.evaluate"),
            { { QStringLiteral("expression"), elementBoxScript(m_request.selector, budget) },
                { QStringLiteral("awaitPromise"), true }, { QStringLiteral("returnByValue"), true } },
            [this, page](const QJsonObject& r) {
                const QJsonObject box
                    = r.value(QLatin1String("result")).toObject().value(QLatin1String("value")).toObject();
                const auto number = [&box](const char* key) { return box.value(QLatin1String(key)).toDouble(); };
                if (box.value(QLatin1String("invalid")).toBool())
                    return fail(qm::Error::make(
                        qm::Error::Code::Usage, QStringLiteral("invalid selector \"%1\"").arg(m_request.selector)));
                const QRectF element = QRectF(number("x"), number("y"), number("width"), number("height")) & page;
                if (!box.contains(QLatin1String("width")) || element.isEmpty()) {
                    // Worded as the wait for an element before the capture words it.
                    const double seconds = number("waited") / 1000;
                    return fail(qm::Error::make(qm::Error::Code::NotFound,
                        QStringLiteral("waited %1 s for %2")
                            .arg(QString::number(seconds, 'f', seconds < 10 ? 1 : 0), m_request.selector)));
                }
                if (box.value(QLatin1String("late")).toBool())
                    return settle(&CaptureJob::measure);
                frame(element);
            });
    }

    // Takes `area` (CSS pixels of the page) in device pixels: the smallest whole-pixel box holding it.
    void frame(const QRectF& area)
    {
        constexpr double slack = 1e-6; // floating-point noise (1082.0000001) must not add a pixel
        const int left = int(std::floor(area.left() * m_scale + slack));
        const int top = int(std::floor(area.top() * m_scale + slack));
        const int right = int(std::ceil(area.right() * m_scale - slack));
        const int bottom = int(std::ceil(area.bottom() * m_scale - slack));
        m_area = QRect(left, top, std::max(1, right - left), std::max(1, bottom - top));
        if (m_request.maxHeight > 0 && m_area.height() > m_request.maxHeight) {
            m_area.setHeight(m_request.maxHeight);
            m_note = QStringLiteral("cut at %1 px").arg(m_request.maxHeight);
        }
        // WebP holds no side over 16383 px: such a picture is decoded, and the writer says why it cannot be.
        if (m_request.encoding == SnapshotEncoding::Webp && m_area.width() > WebpMaxSide)
            m_request.encoding = SnapshotEncoding::Decoded;
        const qint64 pixels = qint64(m_area.width()) * m_area.height();
        if (pixels <= SinglePixels && m_area.height() <= SingleHeight) {
            if (inView(m_area))
                return captureWhole(false);
            if (!shiftsInBrowser(m_area.size()))
                return captureWhole(true);
        }
        startBands();
    }

    // What the view shows needs no capture beyond it, which makes the browser lay the page out anew.
    bool inView(QRect pixels) const
    {
        const QSize view = m_tab.viewport();
        return !m_scrolled && QRect(0, 0, int(view.width() * m_scale), int(view.height() * m_scale)).contains(pixels);
    }

    // The browser first lays the page out at 1 x 1 px for a capture beyond the view whose picture has
    // exactly the view's size in pixels, and a right-to-left page then keeps an origin shifted by its
    // widest box. Such a picture is taken in two bands instead.
    bool shiftsInBrowser(QSize pixels) const { return pixels == m_tab.viewport(); }

    // `pixels`: device pixels of the page. The browser's clip is in CSS pixels and renders each at the
    // device scale, so a clip of pixels / scale gives exactly those pixels.
    QJsonObject screenshotParams(const QString& format, QRect pixels, bool beyondView, int quality = -1) const
    {
        QJsonObject params { { QStringLiteral("format"), format },
            { QStringLiteral("captureBeyondViewport"), beyondView }, { QStringLiteral("fromSurface"), true },
            { QStringLiteral("clip"),
                QJsonObject { { QStringLiteral("x"), pixels.x() / m_scale },
                    { QStringLiteral("y"), pixels.y() / m_scale },
                    { QStringLiteral("width"), pixels.width() / m_scale },
                    { QStringLiteral("height"), pixels.height() / m_scale }, { QStringLiteral("scale"), 1 } } } };
        if (quality >= 0)
            params.insert(QStringLiteral("quality"), quality);
        else
            params.insert(QStringLiteral("optimizeForSpeed"), true); // lossless either way; faster to make and read
        return params;
    }

    void captureWhole(bool beyondView)
    {
        const QRect clip = m_area;
        const int quality = std::clamp(m_request.jpegQuality, 0, 100);
        const QJsonObject params = m_request.encoding == SnapshotEncoding::Jpeg
            ? screenshotParams(QStringLiteral("jpeg"), clip, beyondView, quality)
            : m_request.encoding == SnapshotEncoding::Webp
            ? screenshotParams(QStringLiteral("webp"), clip, beyondView, quality)
            : screenshotParams(QStringLiteral("png"), clip, beyondView);
        m_deadline.sendForData(QStringLiteral("Page.captureScreenshot"), params, [this](cdp::Payload r) {
            cdp::Snapshot snapshot;
            snapshot.size = m_area.size();
            snapshot.note = m_note;
            if (m_request.encoding == SnapshotEncoding::Decoded) {
                snapshot.image = QImage::fromData(r.data, "PNG").convertToFormat(QImage::Format_RGB32);
                if (snapshot.image.size() != m_area.size())
                    return fail(qm::Error::make(
                        qm::Error::Code::Protocol, QStringLiteral("The browser returned an unreadable picture")));
            } else {
                snapshot.encoded = std::move(r.data);
                if (snapshot.encoded.isEmpty())
                    return fail(qm::Error::make(
                        qm::Error::Code::Protocol, QStringLiteral("The browser returned an empty picture")));
            }
            succeed(std::move(snapshot));
        });
    }

    void startBands()
    {
        switch (m_request.encoding) {
        case SnapshotEncoding::Decoded:
        case SnapshotEncoding::Webp:
            m_whole = QImage(m_area.size(), QImage::Format_RGB32);
            if (m_whole.isNull())
                return fail(qm::Error::make(qm::Error::Code::Unsupported,
                    QStringLiteral("The page (%1 x %2 px) is too large to hold as a picture")
                        .arg(m_area.width())
                        .arg(m_area.height())));
            break;
        case SnapshotEncoding::Png:
            m_joiner = std::make_unique<PngBandJoiner>(m_area.size());
            break;
        case SnapshotEncoding::Jpeg:
            if (m_area.height() > JpegMaxSide || m_area.width() > JpegMaxSide)
                return fail(qm::Error::make(qm::Error::Code::Unsupported,
                    QStringLiteral("The page (%1 x %2 px) is too tall for a JPEG picture (at most %3 px)")
                        .arg(m_area.width())
                        .arg(m_area.height())
                        .arg(JpegMaxSide)));
            m_encoder = MakeJpegBandEncoder(m_area.size(), m_request.jpegQuality);
            break;
        }
        m_bandRows = int(std::max<qint64>(256, BandPixels / std::max(1, m_area.width())));
        m_nextRow = 0;
        nextBand();
    }

    void nextBand()
    {
        if (m_nextRow >= m_area.height())
            return finishBands();
        requestBand(m_nextRow);
    }

    // The browser renders the next band while this process reads and re-encodes the one before it:
    // one capture is out at a time, and the bands are still taken and written in order.
    // No band, nor the one after it, has the size the browser shifts (see shiftsInBrowser).
    int bandHeight(int row) const
    {
        const int left = m_area.height() - row;
        int rows = std::min(m_bandRows, left);
        if (shiftsInBrowser({ m_area.width(), rows }) || shiftsInBrowser({ m_area.width(), left - rows }))
            --rows;
        return rows;
    }

    void requestBand(int row)
    {
        const QRect clip(0, row, m_area.width(), bandHeight(row));
        m_deadline.sendForData(QStringLiteral("Page.captureScreenshot"),
            screenshotParams(QStringLiteral("png"), clip.translated(m_area.topLeft()), true),
            [this, clip](cdp::Payload r) {
                m_nextRow = clip.bottom() + 1;
                if (m_nextRow < m_area.height())
                    requestBand(m_nextRow);
                const QByteArray encoded = std::move(r.data);
                // The request above fails the job at once when the time is up.
                if (m_done && addBand(clip, encoded) && m_nextRow >= m_area.height())
                    finishBands();
            });
    }

    bool addBand(QRect clip, const QByteArray& encoded)
    {
        if (m_joiner) {
            if (auto added = m_joiner->addBand(encoded, clip.height()); !added) {
                fail(qm::Error::make(added.error().code,
                    QStringLiteral("%1 at row %2").arg(added.error().message, QString::number(clip.y()))));
                return false;
            }
            return true;
        }
        const QImage band = QImage::fromData(encoded, "PNG");
        if (band.size() != clip.size()) {
            fail(qm::Error::make(qm::Error::Code::Protocol,
                QStringLiteral("The browser returned a band of the wrong size at row %1").arg(clip.y())));
            return false;
        }
        if (m_encoder) {
            if (auto added = m_encoder->addBand(band); !added) {
                fail(added.error());
                return false;
            }
        } else {
            const QImage rgb = band.convertToFormat(QImage::Format_RGB32);
            const qsizetype rowBytes = qsizetype(rgb.width()) * 4;
            for (int y = 0; y < rgb.height(); ++y)
                std::memcpy(m_whole.scanLine(clip.y() + y), rgb.constScanLine(y), size_t(rowBytes));
        }
        return true;
    }

    void finishBands()
    {
        cdp::Snapshot snapshot;
        snapshot.size = m_area.size();
        snapshot.note = m_note;
        if (m_joiner || m_encoder) {
            auto file = m_joiner ? m_joiner->finish() : m_encoder->finish();
            m_joiner.reset();
            m_encoder.reset();
            if (!file)
                return fail(file.error());
            snapshot.encoded = std::move(*file);
        } else {
            snapshot.image = std::move(m_whole);
        }
        succeed(std::move(snapshot));
    }

    // The page is used on after the capture (the mini browser shows it): every style change is undone
    // and the scroll positions are given back, whatever the capture's outcome.
    void restorePage()
    {
        if (m_tab.isCrashed())
            return;
        m_tab.session().send(QStringLiteral("Runtime.evaluate"),
            { { QStringLiteral("expression"), GiveBackPageScript(QLatin1String(kCaptureStep)) } });
    }

    // What the page's preparation left as it was comes first in the note, then how the picture was cut.
    void succeed(cdp::Snapshot snapshot)
    {
        QStringList notes = m_pageNotes;
        notes.append(snapshot.note);
        notes.removeAll(QString());
        snapshot.note = notes.join(QStringLiteral("; "));
        finish(std::move(snapshot));
    }

    void fail(const qm::Error& why) { finish(std::unexpected(why)); }

    void finish(qm::Result<cdp::Snapshot> result)
    {
        if (!m_done)
            return;
        auto done = std::exchange(m_done, nullptr);
        restorePage();
        m_joiner.reset();
        m_encoder.reset();
        m_whole = QImage();
        deleteLater();
        done(std::move(result));
    }

    cdp::Tab& m_tab;
    cdp::SnapshotRequest m_request;
    cdp::PageDeadline m_deadline;
    std::function<void(qm::Result<cdp::Snapshot>)> m_done;
    double m_scale; // device pixels per CSS pixel
    QRect m_area; // device pixels of the page that the picture holds
    bool m_scrolled = false; // the view is not at the page's top left
    QString m_note;
    QStringList m_pageNotes; // about boxes the preparation left as they were
    int m_bandRows = 0;
    int m_nextRow = 0;
    QImage m_whole;
    std::unique_ptr<BandEncoder> m_encoder;
    std::unique_ptr<PngBandJoiner> m_joiner;
};

} // namespace

void CaptureFullPage(
    cdp::Tab& tab, const cdp::SnapshotRequest& request, std::function<void(qm::Result<cdp::Snapshot>)> done)
{
    auto* job = new CaptureJob(tab, request, std::move(done));
    QTimer::singleShot(0, job, [job] { job->start(); });
}

} // namespace qm
