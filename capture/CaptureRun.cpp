#include "capture/CaptureRun.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonObject>
#include <QUrl>

#include "capture/CaptureGate.h"
#include "capture/FullPageCapture.h"
#include "capture/HttpStatus.h"
#include "capture/Naming.h"
#include "capture/PageChangeRegistry.h"
#include "capture/PageChanges.h"
#include "capture/PageControls.h"
#include "capture/PdfCapture.h"
#include "capture/ScrollerExpansion.h"
#include "capture/output/EncodeAside.h"
#include "capture/output/EncodePicture.h"
#include "capture/output/HtmlToPlainText.h"
#include "capture/output/OutputFile.h"
#include "capture/output/Thumbnail.h"
#include "capture/output/Watermarks.h"
#include "capture/output/WebpEncoder.h"
#include "platform/cdp/Session.h"
#include "platform/cdp/Tab.h"
#include "settings/SettingKeys.h"

namespace qm {

namespace {

// Titles longer than this (some pages put whole articles there) are cut, with a note.
constexpr int TitleLimit = 1000;

bool WatermarksOn(const SettingsSource& settings)
{
    return ReadFlag(settings, keys::TextWatermark) || ReadFlag(settings, keys::ImageWatermark);
}

} // namespace

std::optional<cdp::SnapshotRequest> SnapshotFor(const SettingsSource& settings)
{
    const OutputFormat format = OutputFormat::fromSetting(ReadText(settings, keys::OutputFormat));
    const bool thumbnail = ReadFlag(settings, keys::Thumbnail);
    const bool marks = WatermarksOn(settings);
    const bool textual = format.kind == OutputFormat::Kind::Pdf || format.kind == OutputFormat::Kind::Text;
    if (textual && !thumbnail)
        return std::nullopt;
    cdp::SnapshotRequest request;
    request.expand = ReadScrollerExpansion(settings);
    request.maxHeight = ReadMaxCaptureHeight(settings);
    // A WebP file holds no taller picture: the page is cut there, with the same note as at the tallest-picture
    // setting, rather than failed.
    if (format.encoder == QLatin1String("webp"))
        request.maxHeight = std::min(request.maxHeight, kWebpMaxSide);
    // A PDF or text is made of the whole page; only its thumbnail's picture would be of the element.
    if (!textual)
        request.selector = ReadText(settings, keys::Selector).trimmed();
    if (!thumbnail && !marks && format.encoder == QLatin1String("png")) {
        request.encoding = cdp::SnapshotEncoding::Png;
    } else if (!thumbnail && !marks && format.encoder == QLatin1String("jpg")) {
        request.encoding = cdp::SnapshotEncoding::Jpeg;
        request.jpegQuality = ReadQuality(settings);
    } else if (!thumbnail && !marks && format.encoder == QLatin1String("webp") && ReadQuality(settings) < 100) {
        // The browser encodes lossy WebP as it draws; lossless (quality 100) is ours alone.
        request.encoding = cdp::SnapshotEncoding::Webp;
        request.jpegQuality = ReadQuality(settings);
    }
    return request;
}

CaptureRun* StartCaptureRun(
    CaptureHost& host, const CaptureContext& context, const std::optional<PageCompletion>& completion, QObject* parent)
{
    if (completion && !PassesGuards(host, *completion))
        return nullptr;
    auto* run = new CaptureRun(host, context, parent);
    run->start();
    return run;
}

CaptureRun::CaptureRun(CaptureHost& host, CaptureContext context, QObject* parent)
    : QObject(parent)
    , m_host(host)
    , m_context(std::move(context))
    , m_settings(PageSettings::ReadFrom(m_context.settings))
    , m_deadline(m_context.timeLimit)
{
}

CaptureRun::~CaptureRun() = default;

std::chrono::milliseconds CaptureRun::remaining() const
{
    return std::max(std::chrono::milliseconds(1), std::chrono::milliseconds(m_deadline.remainingTime()));
}

bool CaptureRun::refusedForHttpStatus()
{
    const cdp::PageLoad load = m_host.tab().lastLoad();
    // Chromium answers file: pages with 200 too; only a web server's status is one.
    const QString scheme = QUrl(load.url).scheme();
    const bool web = scheme == QLatin1String("http") || scheme == QLatin1String("https");
    m_httpStatus = web ? load.httpStatus : 0;
    m_httpStatusLine = HttpStatusLine(m_httpStatus, load.httpStatusText);
    if (!IsHttpError(m_httpStatus) || CapturesHttpErrors(m_settings))
        return false;
    // Every host hears of its outcome on the event loop, as after an engine step.
    m_waiting = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!resumed())
                return;
            m_address = m_host.pageAddress();
            finish(fail(Error::Code::Navigation, m_httpStatusLine));
        },
        Qt::QueuedConnection);
    return true;
}

void CaptureRun::start()
{
    if (refusedForHttpStatus())
        return;
    m_host.beforePreparation();
    auto controls = m_context.controls ? Result<PageControls>(*m_context.controls) : ReadPageControls(m_settings);
    if (!controls)
        return failBeforeCapture(controls.error());
    m_waiting = true;
    QPointer<CaptureRun> self(this);
    const auto changed = [self](Result<void> changes) {
        if (!self || !self->resumed())
            return;
        if (!changes)
            return self->failBeforeCapture(changes.error());
        self->takeSnapshot();
    };
    m_hidden = HiddenSelectors(*controls);
    if (!controls->changesPage())
        return changed({});
    m_pageChanged = true;
    ChangePage(m_host.tab(), *controls, remaining(), changed);
}

void CaptureRun::failBeforeCapture(const Error& why)
{
    // Every host hears of its outcome on the event loop, as after an engine step.
    m_waiting = true;
    QMetaObject::invokeMethod(
        this,
        [this, why] {
            if (!resumed())
                return;
            m_address = m_host.pageAddress();
            m_host.afterSnapshot();
            finish(std::unexpected(why));
        },
        Qt::QueuedConnection);
}

bool CaptureRun::titledWithOutput() const
{
    const OutputFormat::Kind kind = OutputFormat::fromSetting(ReadText(m_settings, keys::OutputFormat)).kind;
    return kind == OutputFormat::Kind::Pdf || kind == OutputFormat::Kind::Text;
}

void CaptureRun::readTitle(std::function<void()> then)
{
    // The title of the page as it was captured (a page script or a single-page app may have sent the tab
    // elsewhere), no longer than a report line can hold; an empty one when the page does not answer.
    m_waiting = true;
    QPointer<CaptureRun> self(this);
    m_host.tab().session().send(
        QStringLiteral("Runtime.evaluate"),
        { { QStringLiteral("expression"),
              QStringLiteral("(() => { const t = document.title; if (t.length <= %1) return { title: t };"
                             " const cut = t.slice(0, %1); return { title: /[\\uD800-\\uDBFF]$/.test(cut)"
                             " ? cut.slice(0, -1) : cut, length: t.length }; })()")
                  .arg(TitleLimit) },
            { QStringLiteral("returnByValue"), true } },
        [self, then = std::move(then)](Result<QJsonObject> answer) {
            if (!self || !self->resumed())
                return;
            self->m_titled = true;
            self->m_finalAddress = self->m_host.tab().currentUrl();
            if (answer) {
                const QJsonObject value
                    = answer->value(QLatin1String("result")).toObject().value(QLatin1String("value")).toObject();
                self->m_title = value.value(QLatin1String("title")).toString();
                if (value.contains(QLatin1String("length"))) {
                    self->m_title += QChar(0x2026);
                    self->m_titleNote = QStringLiteral("title cut at %1 of its %2 characters")
                                            .arg(TitleLimit)
                                            .arg(qint64(value.value(QLatin1String("length")).toDouble()));
                }
            }
            then();
        },
        remaining());
}

void CaptureRun::takeSnapshot()
{
    const auto request = SnapshotFor(m_settings);
    if (!request) {
        // PDF and text are made from the page itself; without a thumbnail no pixels are needed.
        m_snapshotError = Error::make(Error::Code::Unsupported, QStringLiteral("no snapshot taken"));
        m_host.afterSnapshot();
        // Every host hears of its outcome on the event loop, as after an engine step.
        m_waiting = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (resumed())
                    writeOutput();
            },
            Qt::QueuedConnection);
        return;
    }
    // A page whose script never yields would hold the browser's capture turn until its time limit and
    // make the pages beside it miss theirs: it must answer once before it takes the turn.
    m_waiting = true;
    QPointer<CaptureRun> self(this);
    const auto answered = [self, timed = *request](Result<QJsonObject> answer) {
        if (!self)
            return;
        if (!answer)
            return self->snapshotTaken(std::unexpected(answer.error()));
        self->takeTurn(timed);
    };
    m_host.tab().session().send(QStringLiteral("Runtime.evaluate"),
        { { QStringLiteral("expression"), QStringLiteral("0") } }, answered, remaining());
}

void CaptureRun::takeTurn(cdp::SnapshotRequest timed)
{
    if (m_abandoned) {
        resumed();
        return;
    }
    QPointer<CaptureRun> self(this);
    cdp::Tab& tab = m_host.tab();
    // A tab with a context of its own has a window of its own: bringing it to the front sends no other
    // page's tab to the back, so it waits for nobody. Tabs sharing the browser's one window take turns.
    QObject* window = tab.parent() && !tab.hasOwnContext() ? tab.parent() : &tab;
    CaptureGate::enter(window, &tab, [self, timed](QObject* hold) mutable {
        if (!self || self->m_abandoned) {
            delete hold;
            if (self)
                self->deleteLater();
            return;
        }
        QPointer<QObject> turn(hold);
        timed.timeLimit = self->remaining();
        CaptureFullPage(self->m_host.tab(), timed, [self, turn](Result<cdp::Snapshot> snapshot) {
            delete turn.data();
            if (self)
                self->snapshotTaken(std::move(snapshot));
        });
    });
}

void CaptureRun::abandon()
{
    if (m_abandoned)
        return;
    m_abandoned = true;
    m_held = HeldName();
    if (!m_waiting)
        deleteLater();
}

bool CaptureRun::resumed()
{
    m_waiting = false;
    if (m_abandoned)
        deleteLater();
    return !m_abandoned;
}

void CaptureRun::snapshotTaken(Result<cdp::Snapshot> snapshot)
{
    if (!resumed())
        return;
    if (snapshot)
        m_snapshot = std::move(*snapshot);
    else
        m_snapshotError = snapshot.error();
    m_host.afterSnapshot();
    if (titledWithOutput())
        return writeOutput();
    readTitle([this] { writeOutput(); });
}

bool CaptureRun::decoded()
{
    if (!m_snapshot.image.isNull())
        return true;
    if (m_snapshot.encoded.isEmpty())
        return false;
    // An engine-encoded snapshot, needed as pixels after all.
    m_snapshot.image = QImage::fromData(m_snapshot.encoded);
    return !m_snapshot.image.isNull();
}

void CaptureRun::applyWatermarks()
{
    if (ReadFlag(m_settings, keys::TextWatermark) && decoded()) {
        ApplyTextWatermark(m_settings, m_snapshot.image);
        m_pixelsChanged = true;
    }
    if (ReadFlag(m_settings, keys::ImageWatermark) && decoded()) {
        m_warning = ApplyImageWatermark(m_settings, m_snapshot.image);
        m_pixelsChanged = true;
    }
}

void CaptureRun::writeThumbnail()
{
    if (!ReadFlag(m_settings, keys::Thumbnail) || m_intermediateError || !decoded())
        return;
    const double percent = ReadNumber(m_settings, keys::ThumbnailPercent);
    const QString path = ThumbnailPath(m_intermediate);
    if (WriteThumbnail(m_snapshot.image, percent, path))
        m_thumbnail = path;
}

void CaptureRun::writeOutput()
{
    const OutputNaming naming
        = ReadOutputNaming(m_settings, m_context.appHome, m_host.pageAddress(), m_context.clock.now());
    m_address = m_host.pageAddress();
    m_numbering = naming.numbering;
    m_quality = ReadQuality(m_settings);

    // The intermediate BMP's name decides the output's: x.BMP taken gives x_0.bmp and then x_0.jpg.
    const QString first = IntermediatePath(naming);
    m_bitmapBase = PathStem(first);
    auto held = HeldName::hold(first, m_bitmapBase, QStringLiteral("bmp"), m_numbering);
    if (held) {
        m_held = std::move(*held);
        m_intermediate = m_held.path();
    } else {
        m_intermediate = first;
        m_intermediateError = held.error();
    }

    applyWatermarks();
    writeThumbnail();

    const OutputFormat format = OutputFormat::fromSetting(ReadText(m_settings, keys::OutputFormat));
    switch (format.kind) {
    case OutputFormat::Kind::Picture:
        writePicture(format);
        return;
    case OutputFormat::Kind::Pdf:
        writePdf(format);
        return;
    case OutputFormat::Kind::Text:
        writeText(format);
        return;
    case OutputFormat::Kind::Bitmap:
        writeBitmap();
        return;
    }
}

CaptureRun::Target CaptureRun::targetFor(const OutputFormat& format) const
{
    if (format.kind == OutputFormat::Kind::Bitmap)
        return { m_intermediate, m_bitmapBase, QStringLiteral("bmp") };
    const QString base = PathStem(m_intermediate);
    return { base + format.extension, base, format.numbering };
}

Result<std::unique_ptr<OutputFile>> CaptureRun::openOutput(const Target& target) const
{
    if (m_intermediateError)
        return std::unexpected(*m_intermediateError);
    return OutputFile::create(target.first);
}

Result<QString> CaptureRun::land(OutputFile& file, const Target& target) const
{
    return ClaimName(file, target.first, target.base, target.extension, m_numbering);
}

void CaptureRun::writePicture(const OutputFormat& format)
{
    m_picture = true;
    const Target target = targetFor(format);
    auto file = openOutput(target);
    if (!file)
        return finish(std::unexpected(file.error()));
    if (m_snapshotError)
        return finish(std::unexpected(*m_snapshotError));

    // The browser's own file is written as it is: PNG, JPEG, or lossy WebP (SnapshotFor asked for it).
    const bool asIs = !m_pixelsChanged && !m_snapshot.encoded.isEmpty();
    if (asIs
        && (format.encoder == QLatin1String("png") || format.encoder == QLatin1String("jpg")
            || format.encoder == QLatin1String("webp"))) {
        if (auto written = (*file)->writeAll(m_snapshot.encoded); !written)
            return finish(std::unexpected(written.error()));
        return finish(land(**file, target));
    }
    if (!decoded())
        return finish(fail(Error::Code::Unsupported, QStringLiteral("the page's picture could not be decoded")));
    encodeAside(format, target, std::move(*file));
}

void CaptureRun::encodeAside(const OutputFormat& format, const Target& target, std::unique_ptr<OutputFile> file)
{
    m_waiting = true;
    m_host.browserDone();
    std::shared_ptr<OutputFile> out = std::move(file);
    EncodeAside(m_snapshot.image, out, format.encoder, format.fixedQuality.value_or(m_quality), 24, 6)
        .then(this, [this, out, target](const AsideEncoding& done) {
            if (!resumed())
                return;
            done.reportTo(m_context.messages);
            if (!done.written)
                return finish(std::unexpected(done.written.error()));
            finish(land(*out, target));
        });
}

void CaptureRun::writePdf(const OutputFormat& format)
{
    const Target target = targetFor(format);
    auto file = openOutput(target);
    if (!file)
        return finish(std::unexpected(file.error()));
    m_waiting = true;
    QPointer<CaptureRun> self(this);
    // The engine streams into the hidden file; it takes a name only if the run still stands.
    auto notes = std::make_shared<QStringList>();
    MakePdfInto(
        m_host.tab(), m_address, std::move(*file), remaining(), ReadScrollerExpansion(m_context.settings),
        ReadFlag(m_context.settings, keys::TaggedPdf),
        [self, target, notes](Result<std::unique_ptr<OutputFile>> made) {
            if (!self)
                return;
            if (!self->resumed())
                return;
            self->m_printNotes = *notes;
            // The title the PDF was printed with (printing may change it, as the page's print handlers do).
            auto kept = std::make_shared<Result<std::unique_ptr<OutputFile>>>(std::move(made));
            self->readTitle([self, kept, target] {
                if (!*kept)
                    return self->finish(std::unexpected(kept->error()));
                self->finish(self->land(***kept, target));
            });
        },
        notes);
}

void CaptureRun::writeText(const OutputFormat& format)
{
    const Target target = targetFor(format);
    if (m_intermediateError)
        return finish(std::unexpected(*m_intermediateError));
    m_waiting = true;
    QPointer<CaptureRun> self(this);
    // The body's HTML goes straight to the converter: no staging file is needed in memory.
    BodyHtmlWithout(m_host.tab(), m_hidden, [self, target](Result<QString> html) {
        if (!self)
            return;
        if (!self->resumed())
            return;
        self->readTitle([self, target, html = std::move(html)] {
            if (!html)
                return self->finish(std::unexpected(html.error()));
            auto file = self->openOutput(target);
            if (!file)
                return self->finish(std::unexpected(file.error()));
            if (auto written = (*file)->writeAll(HtmlToPlainText(*html).toUtf8()); !written)
                return self->finish(std::unexpected(written.error()));
            self->finish(self->land(**file, target));
        });
    });
}

void CaptureRun::writeBitmap()
{
    m_picture = true;
    const Target target = targetFor(OutputFormat {});
    if (m_intermediateError)
        return finish(std::unexpected(*m_intermediateError));
    if (m_snapshotError)
        return finish(std::unexpected(*m_snapshotError));
    if (!decoded())
        return finish(fail(Error::Code::Unsupported, QStringLiteral("the page's picture could not be decoded")));
    auto file = openOutput(target);
    if (!file)
        return finish(std::unexpected(file.error()));
    if (auto written
        = EncodePicture(m_snapshot.image, **file, QStringLiteral("bmp"), m_quality, 24, 6, m_context.messages);
        !written)
        return finish(std::unexpected(written.error()));
    finish(land(**file, target));
}

QSize CaptureRun::pictureSize() const
{
    if (!m_snapshot.image.isNull())
        return m_snapshot.image.size();
    QBuffer bytes;
    bytes.setData(m_snapshot.encoded);
    return QImageReader(&bytes).size();
}

void CaptureRun::finish(Result<QString> output)
{
    m_held = HeldName();
    if (output && !QFileInfo(*output).isFile())
        output = fail(Error::Code::Io, QStringLiteral("the output file %1 was not written").arg(*output));
    QStringList notes { m_snapshot.note };
    for (const QString& printed : std::as_const(m_printNotes))
        if (!m_snapshot.note.contains(printed))
            notes.append(printed);
    notes.append(m_titleNote);
    notes.removeAll(QString());
    const QString note = output ? notes.join(QStringLiteral("; ")) : QString();
    const QSize pixels = output && m_picture ? pictureSize() : QSize();
    PageOutcome outcome;
    outcome.output = std::move(output);
    outcome.address = m_address;
    outcome.thumbnail = m_thumbnail;
    outcome.httpStatus = m_httpStatus;
    outcome.httpStatusLine = m_httpStatusLine;
    outcome.warning = m_warning;
    outcome.note = note;
    outcome.finalAddress = m_titled ? m_finalAddress : m_host.tab().currentUrl();
    outcome.title = m_title;
    outcome.pixelSize = pixels;
    // The page is used on after the capture in the mini browser.
    if (m_pageChanged && !m_host.tab().isCrashed())
        m_host.tab().session().send(
            QStringLiteral("Runtime.evaluate"), { { QStringLiteral("expression"), GiveBackPageScript() } });
    deleteLater();
    m_host.completed(outcome);
}

} // namespace qm
