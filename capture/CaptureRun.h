#pragma once

#include <QDeadlineTimer>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "capture/CaptureFormat.h"
#include "capture/CaptureHost.h"
#include "capture/NameReservation.h"
#include "capture/PageControls.h"
#include "capture/PageSettings.h"
#include "platform/Clock.h"
#include "platform/cdp/Snapshot.h"

namespace qm {

class MessageSink;
class OutputFile;
class SettingsSource;

// What every capture needs besides its host.
struct CaptureContext
{
    // Read once, when the run is made (runners pass the values they read when the page started).
    const SettingsSource& settings;
    QString appHome;
    const Clock& clock = Clock::system();
    MessageSink* messages = nullptr; // the encoder's one message on failure
    std::chrono::milliseconds timeLimit { 60000 }; // what is left of the page's time limit
    // The page controls as the runner read them when the page started; unset: read from `settings`.
    std::optional<PageControls> controls;
};

// One run of the pipeline for the page the host's tab shows: the page controls' changes (given back to
// the page when the run ends), snapshot, names, watermarks, thumbnail, then the output by "outputformat". An HTTP error
// page (status 400 or above) fails the run with its status unless "httperrors" is on; nothing is written for it.
// Outputs are written to hidden temporary files and land complete under names claimed atomically, so parallel runs
// never collide and no empty or half-written file is ever seen under an output's name. The run deletes itself after the
// host's completion step.
class CaptureRun : public QObject
{
    Q_OBJECT
public:
    CaptureRun(CaptureHost& host, CaptureContext context, QObject* parent = nullptr);
    ~CaptureRun() override;

    void start();

    // Stops the run: nothing more is written, unfinished files are removed, the host hears nothing.
    void abandon();

private:
    bool refusedForHttpStatus();
    void failBeforeCapture(const Error& why);
    // Reads the title and the address of the page as it is now, then goes on with `then`.
    void readTitle(std::function<void()> then);
    // PDF and text are made from the page after the snapshot (a PDF after settling once more): their
    // title is read when they are made.
    bool titledWithOutput() const;
    void takeSnapshot();
    QSize pictureSize() const;
    // An engine call answered; false when the run was abandoned meanwhile (it then deletes itself).
    bool resumed();
    void takeTurn(cdp::SnapshotRequest timed);
    void snapshotTaken(Result<cdp::Snapshot> snapshot);
    void applyWatermarks();
    void writeThumbnail();
    void writeOutput();
    void writePicture(const OutputFormat& format);
    void writePdf(const OutputFormat& format);
    void writeText(const OutputFormat& format);
    void writeBitmap();
    // The name an output is meant to get, and how it is numbered when something is there.
    struct Target
    {
        QString first;
        QString base;
        QString extension;
    };
    Target targetFor(const OutputFormat& format) const;
    Result<std::unique_ptr<OutputFile>> openOutput(const Target& target) const;
    Result<QString> land(OutputFile& file, const Target& target) const;
    void encodeAside(const OutputFormat& format, const Target& target, std::unique_ptr<OutputFile> file);
    bool decoded();
    void finish(Result<QString> output);
    std::chrono::milliseconds remaining() const;

    CaptureHost& m_host;
    CaptureContext m_context;
    PageSettings m_settings; // the values of this page, read once
    QDeadlineTimer m_deadline;
    bool m_abandoned = false;
    bool m_waiting = false; // an engine call is out; the run stays until it answers

    QString m_address;
    int m_httpStatus = 0;
    QString m_httpStatusLine;
    std::optional<Error> m_snapshotError;
    cdp::Snapshot m_snapshot;
    bool m_pixelsChanged = false;
    HeldName m_held; // the intermediate BMP's name, which decides the output's
    QString m_intermediate;
    QString m_bitmapBase; // numbering base of the intermediate BMP
    std::optional<Error> m_intermediateError;
    bool m_numbering = false;
    int m_quality = 0;
    QString m_thumbnail;
    QString m_warning;
    bool m_pageChanged = false; // the page controls changed the page, which is given back after the run
    bool m_picture = false; // the output is a picture
    QString m_title;
    QString m_finalAddress; // read with the title
    bool m_titled = false;
    QString m_titleNote; // said when the title was cut
    QStringList m_printNotes; // what printing the PDF found to say (a virtual list kept at its height)
    QStringList m_hidden; // selectors whose elements the text output leaves out
};

// Runs the pipeline for `host` unless the guards refuse `completion` (then nothing happens and
// nullptr is returned). The run belongs to `parent` until it deletes itself.
CaptureRun* StartCaptureRun(CaptureHost& host, const CaptureContext& context,
    const std::optional<PageCompletion>& completion = std::nullopt, QObject* parent = nullptr);

// What the snapshot is asked for: the engine's own PNG or JPEG when the pixels need no change
// (no watermark, no thumbnail, PNG or JPG output), nothing at all when no pixels are used (PDF or
// text without thumbnail), else a decoded picture.
std::optional<cdp::SnapshotRequest> SnapshotFor(const SettingsSource& settings);

} // namespace qm
