#include "cli/ConvertSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <csignal>
#include <cstdio>

#include <unistd.h>

#include "batch/BatchDriver.h"
#include "batch/UrlListFile.h"
#include "capture/CaptureRun.h"
#include "capture/EnginePool.h"
#include "capture/Naming.h"
#include "capture/OutputFolder.h"
#include "capture/PageAddress.h"
#include "capture/PageControls.h"
#include "capture/PageConversion.h"
#include "cli/QuietBatchView.h"
#include "platform/AppHome.h"
#include "platform/ClosedPipeGuard.h"
#include "platform/InterruptWatcher.h"
#include "platform/MessageSink.h"
#include "platform/StderrMessages.h"
#include "platform/VisibleText.h"
#include "report/BatchReport.h"
#include "run/BrowserPool.h"
#include "run/RunSettings.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsSource.h"

namespace qm::cli {

struct ConvertSession::Parts
{
    std::optional<AppHome> home;
    std::unique_ptr<FileSettings> file;
    std::unique_ptr<OverriddenSettings> settings;
    QStringList addresses;
    QString outputFolder;
    std::unique_ptr<EnginePool> pool;
    StderrMessages messages { "quillmark" };
    UrlListModel list;
    BatchState state;
    QuietBatchView view;
    std::unique_ptr<PageConversion> conversion;
    std::unique_ptr<BatchDriver> driver;
    std::unique_ptr<run::ProgressDisplay> display;
    InterruptWatcher interrupts;
    ClosedPipeGuard closedOutput;
    QTimer tick;
    QStringList written;
    std::unique_ptr<BatchReport> report;
    QHash<UrlListModel::RowId, int> reportIndex; // the list's rows as the report numbers them
    bool reportFailed = false; // a write failed (said once)
    bool reportIncomplete = false; // the last one too: the report is not the batch's
};

ConvertSession::ConvertSession(run::ConvertOptions options, QObject* parent)
    : QObject(parent)
    , m_options(std::move(options))
    , d(std::make_unique<Parts>())
{
}

ConvertSession::~ConvertSession()
{
    // Pages first, then the browsers: nothing may answer into a runner that is gone.
    d->driver.reset();
    d->conversion.reset();
    d->pool.reset();
}

namespace {
// One line on stderr; what came from outside (addresses, the browser's words) shows its controls escaped.
void say(const QString& text)
{
    std::fprintf(stderr, "quillmark convert: %s\n", VisibleText(text).toLocal8Bit().constData());
}
} // namespace

int ConvertSession::setupError(const Error& error) const
{
    say(error.message);
    return 2;
}

int ConvertSession::run()
{
    if (auto ready = prepare(); !ready)
        return setupError(ready.error());

    connect(&d->interrupts, &InterruptWatcher::interrupted, this, &ConvertSession::interrupted);
    QPointer<ConvertSession> self(this);
    bool startFailed = false;
    d->pool->start([self, &startFailed](Result<void> started) {
        if (!self)
            return;
        if (!started) {
            startFailed = true;
            self->setupError(Error::make(
                started.error().code, QStringLiteral("cannot start the browser: %1").arg(started.error().message)));
            QCoreApplication::exit(2);
            return;
        }
        self->startBatch();
    });
    const int code = QCoreApplication::exec();
    if (startFailed)
        return 2;
    if (m_stopCode != 0)
        return m_stopCode;
    if (d->display && d->display->outputClosed())
        return run::ClosedOutputStatus; // with the last page, after which there was nothing left to stop
    if (code != 0)
        return code;
    // A report that was asked for and could not be written is a part of the run not done. One that
    // failed a write along the way but was written whole at the end is the batch's report.
    return d->reportIncomplete ? std::max(m_exitCode, 1) : m_exitCode;
}

Result<void> ConvertSession::prepare()
{
    const QString homePath = m_options.home.isEmpty() ? AppHome::defaultPath() : m_options.home;
    auto home = AppHome::open(homePath);
    if (!home)
        return std::unexpected(home.error());
    d->home = *home;

    // This run's options sit in front of settings.dat, which the command line never writes.
    d->file = std::make_unique<FileSettings>(d->home->settingsPath());
    // Said once, before the defaults take the place of what the file would say.
    d->file->setProblemHandler([](const QString& reason) { say(reason); });
    d->settings = std::make_unique<OverriddenSettings>(*d->file);
    run::ApplyRunSettings(m_options, *d->settings);
    // A page setting that cannot be used fails the run before any page, not every page alike.
    if (auto controls = ReadPageControls(*d->settings, QSize(m_options.width, 800)); !controls)
        return fail(Error::Code::Usage, controls.error().message);
    const int jobs = run::PagesAtOnce(m_options.jobs, ReadJobs(*d->settings), m_options.browsers.size());
    d->settings->set(keys::Jobs.sectionName(), keys::Jobs.keyName(), QString::number(jobs));

    const bool listGiven = !m_options.listFile.isEmpty() || !m_options.addresses.isEmpty();
    if (!m_options.resume.isEmpty()) {
        auto report = BatchReport::open(m_options.resume);
        if (!report)
            return std::unexpected(report.error());
        d->report = std::move(*report);
    }
    if (d->report && !listGiven) {
        d->addresses = d->report->addresses();
    } else {
        auto pages = addresses();
        if (!pages)
            return std::unexpected(pages.error());
        d->addresses = *pages;
    }
    if (d->report && d->report->addresses() != d->addresses)
        return fail(Error::Code::Usage,
            QStringLiteral("the list is not the one of the report in %1 (%2 addresses there)")
                .arg(m_options.resume)
                .arg(d->report->rowCount()));

    d->outputFolder = OutputFolder(*d->settings, d->home->path());
    if (auto writable = checkOutputFolder(); !writable)
        return writable;
    if (d->report) {
        // Outputs landed by a killed run just before it could record them are its pages' outputs.
        const QDateTime now = QDateTime::currentDateTime();
        d->report->adoptUnrecorded([this, &now](const QString& address) {
            return ReadOutputNaming(*d->settings, d->home->path(), address, now).baseName;
        });
    } else if (m_options.report || ReadFlag(*d->settings, keys::Report)) {
        auto report = BatchReport::create(d->outputFolder, d->addresses);
        if (!report)
            return std::unexpected(report.error());
        d->report = std::move(*report);
    }

    auto pool
        = run::MakeBrowserPool({ m_options.browsers, jobs, d->addresses.size(), bool(SnapshotFor(*d->settings)) });
    if (!pool)
        return std::unexpected(pool.error());
    d->pool = std::move(*pool);
    d->pool->setViewport(QSize(m_options.width, 800));
    return {};
}

Result<QStringList> ConvertSession::addresses() const
{
    QStringList out;
    if (!m_options.listFile.isEmpty()) {
        auto listed = ReadUrlListFile(m_options.listFile);
        if (!listed) {
            const QString& why = listed.error().message;
            return fail(Error::Code::Io,
                why.contains(m_options.listFile)
                    ? QStringLiteral("cannot read the list: %1").arg(why)
                    : QStringLiteral("cannot read the list %1: %2").arg(m_options.listFile, why));
        }
        if (listed->isEmpty())
            return fail(Error::Code::Usage, QStringLiteral("the list %1 holds no addresses").arg(m_options.listFile));
        for (const QString& entry : std::as_const(*listed))
            out.append(NormalisedAddress(entry, QDir::currentPath()).value_or(entry));
    }
    // Relative paths are made absolute here; whatever is not a page fails its own row, with the reason.
    for (const QString& argument : m_options.addresses)
        out.append(NormalisedAddress(argument, QDir::currentPath()).value_or(argument));
    if (out.isEmpty() && m_options.listFile.isEmpty()) {
        // The first command a new user runs: the sample page that ships with the program.
        const QString sample = AppHome::shareFile(QStringLiteral("sample/sample.html"));
        if (!QFileInfo(sample).isFile())
            return fail(Error::Code::NotFound, QStringLiteral("the sample page %1 is missing").arg(sample));
        out.append(QUrl::fromLocalFile(sample).toString(QUrl::FullyEncoded));
    }
    return out;
}

Result<void> ConvertSession::checkOutputFolder() const
{
    const QString folder = d->outputFolder;
    if (!QDir().mkpath(folder))
        return fail(Error::Code::Io, QStringLiteral("cannot create the output folder %1").arg(folder));
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".quillmark-XXXXXX")));
    if (!probe.open())
        return fail(Error::Code::Io,
            QStringLiteral("cannot write to the output folder %1: %2").arg(folder, probe.errorString()));
    return {};
}

void ConvertSession::startBatch()
{
    const QString format = ReadText(*d->settings, keys::OutputFormat);
    for (qsizetype i = 0; i < d->addresses.size(); ++i) {
        // A resumed run converts only what its report does not hold as OK, under the report's numbers.
        if (d->report && d->report->isDone(int(i)))
            continue;
        d->list.appendUrl(d->addresses[i], format);
        d->reportIndex.insert(d->list.idAt(d->list.rowCount() - 1), int(i));
    }

    run::ProgressDisplay::Style style = run::ProgressDisplay::Style::Lines;
    if (m_options.quiet)
        style = run::ProgressDisplay::Style::Quiet;
    else if (::isatty(fileno(stderr)))
        style = run::ProgressDisplay::Style::Bar;
    d->display = std::make_unique<run::ProgressDisplay>(d->list.rowCount(), style, m_options.json, stdout, stderr);

    d->conversion = std::make_unique<PageConversion>(*d->pool, d->home->path());
    d->conversion->setMessages(&d->messages);
    d->driver
        = std::make_unique<BatchDriver>(d->list, d->state, d->view, *d->conversion, *d->settings, d->home->path());
    d->driver->setRetries(m_options.retries);
    connect(d->driver.get(), &BatchDriver::pageFinished, this,
        [this](UrlListModel::RowId row, const QString& address, const PageOutcome& outcome, int tries) {
            if (outcome.output)
                d->written.append(*outcome.output);
            else
                m_exitCode = 1;
            const bool shown = d->display->pageFinished(address, outcome);
            if (d->report)
                reportProblem(d->report->record(d->reportIndex.value(row, -1), outcome, tries));
            // The page is in the report; its line had no reader, nor will the next pages'. Stopped from
            // the event loop, not from within the driver's signal.
            if (!shown)
                QTimer::singleShot(0, this, [this] { stop(run::ClosedOutputStatus, {}); });
        });
    connect(d->driver.get(), &BatchDriver::warned, this, [this](const QString& text) {
        d->display->clear();
        say(text);
        d->display->refresh();
    });
    connect(d->driver.get(), &BatchDriver::idle, this, &ConvertSession::finished);
    if (style == run::ProgressDisplay::Style::Bar) {
        connect(&d->tick, &QTimer::timeout, this, [this] { d->display->refresh(); });
        d->tick.start(1000);
        d->display->refresh();
    }
    if (d->list.rowCount() == 0) {
        // Every page of the resumed report is OK already.
        QTimer::singleShot(0, this, &ConvertSession::finished);
        return;
    }
    d->driver->startBatch();
}

void ConvertSession::reportProblem(const Result<void>& written)
{
    // Said once; the pages go on, and the next write may succeed.
    if (written || d->reportFailed)
        return;
    d->reportFailed = true;
    d->display->clear();
    say(written.error().message);
    d->display->refresh();
}

void ConvertSession::finished()
{
    d->tick.stop();
    d->display->clear();
    if (d->report) {
        const Result<void> written = d->report->finish();
        d->reportIncomplete = !written;
        reportProblem(written);
    }
    if (!m_options.quiet && !m_options.json) {
        const int failed = d->display->failed();
        QString summary = QStringLiteral("%1 of %2 written").arg(d->written.size()).arg(d->list.rowCount());
        if (failed > 0)
            summary += QStringLiteral(", %1 failed").arg(failed);
        summary += d->written.size() == 1 ? QStringLiteral(": %1").arg(d->written.first())
                                          : QStringLiteral(" in %1").arg(d->outputFolder);
        if (d->report)
            summary += QStringLiteral("; report: %1").arg(d->report->htmlPath());
        std::fprintf(stderr, "%s\n", VisibleText(summary).toLocal8Bit().constData());
    }
    QCoreApplication::exit(0);
}

void ConvertSession::interrupted(int signalNumber)
{
    stop(signalNumber == SIGTERM ? 143 : 130, QStringLiteral("interrupted; pages in progress are dropped"));
}

void ConvertSession::stop(int exitCode, const QString& message)
{
    if (m_stopCode != 0)
        return;
    m_stopCode = exitCode;
    d->tick.stop();
    if (d->display)
        d->display->clear();
    if (!message.isEmpty())
        say(message);
    // Pages in flight are dropped with their reserved names; the browsers end when the session goes.
    if (d->driver) {
        d->driver->cancelBatchSilently();
        d->driver->abandonPagesInFlight();
    }
    if (d->conversion)
        d->conversion->abandonAll();
    QCoreApplication::exit(exitCode);
}

} // namespace qm::cli
