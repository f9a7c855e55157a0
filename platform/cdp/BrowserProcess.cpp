#include "platform/cdp/BrowserProcess.h"

#include <QDir>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

#include "platform/VerboseLog.h"
#include "platform/cdp/BrowserEnvironment.h"
#include "platform/cdp/PipeTransport.h"
#include "platform/cdp/ProcessGroup.h"
#include "platform/cdp/ProfileFolder.h"

namespace qm::cdp {

namespace {

constexpr qsizetype ErrorOutputLimit = 64 * 1024;
constexpr int QuitGraceMs = 2000;

// Switches and features that keep the browser from talking to anyone but the pages it is sent to:
// no update, account, safe-browsing, hint, variations, reliability, push or translate lookups.
QStringList QuietNetworkArguments()
{
    return { QStringLiteral("--disable-client-side-phishing-detection"), QStringLiteral("--disable-default-apps"),
        QStringLiteral("--disable-extensions"), QStringLiteral("--disable-domain-reliability"),
        QStringLiteral("--disable-field-trial-config"), QStringLiteral("--metrics-recording-only"),
        QStringLiteral("--no-pings"), QStringLiteral("--no-service-autorun"),
        QStringLiteral("--safebrowsing-disable-auto-update"), QStringLiteral("--dns-prefetch-disable"),
        // Updates of built-in components are still asked for despite --disable-component-update; an
        // address the updater cannot use stops them.
        QStringLiteral("--component-updater=url-source=data:,"),
        // The profile lists its Google accounts at start-up whatever the sign-in settings say; the
        // sign-in address points at a port the browser itself refuses to connect to.
        QStringLiteral("--gaia-url=http://127.0.0.1:9/"),
        QStringLiteral("--disable-features=OptimizationHints,OptimizationHintsFetching,"
                       "OptimizationGuideModelDownloading,OptimizationHintsFetchingAnonymousDataConsent,"
                       "Translate,MediaRouter,DialMediaRouteProvider,CertificateTransparencyComponentUpdater,"
                       "AutofillServerCommunication,NetworkTimeServiceQuerying,InterestFeedContentSuggestions,"
                       "SafeBrowsingEnhancedProtection,PrivacySandboxSettings4,DnsOverHttps,UseDnsHttpsSvcb,"
                       "UseDnsHttpsSvcbAlpn,AsyncDns") };
}

// How the browser ended, for a page's reason: one short line.
QString EndedText(int code, QProcess::ExitStatus status)
{
    if (status == QProcess::CrashExit)
        return QStringLiteral("the browser ended unexpectedly (killed by signal %1)").arg(code);
    return QStringLiteral("the browser ended unexpectedly (exit code %1)").arg(code);
}

} // namespace

BrowserProcess::BrowserProcess(QObject* parent)
    : QObject(parent)
{
    m_process.setStandardOutputFile(QProcess::nullDevice());
    connect(&m_process, &QProcess::readyReadStandardError, this, &BrowserProcess::onStderr);
    connect(&m_process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        if (m_stopping)
            return;
        onStderr();
        // Renderers and helpers outlive a killed browser unless their group is ended too.
        ProcessGroup(m_group).signal(SIGKILL);
        const QString why = EndedText(code, status);
        VerboseLog(
            QStringLiteral("%1; its last output: %2").arg(why, QString::fromLocal8Bit(m_errorOutput.right(2000))));
        emit exited(qm::Error::make(qm::Error::Code::BrowserGone, why));
    });
}

BrowserProcess::~BrowserProcess()
{
    stop();
}

QStringList BrowserProcess::standardArguments()
{
    QStringList args { QStringLiteral("--headless"), QStringLiteral("--disable-gpu"), QStringLiteral("--no-first-run"),
        QStringLiteral("--disable-background-networking"), QStringLiteral("--disable-component-update"),
        QStringLiteral("--disable-sync"), QStringLiteral("--disable-dev-shm-usage"),
        QStringLiteral("--no-default-browser-check"), QStringLiteral("--hide-scrollbars"),
        QStringLiteral("--mute-audio"), QStringLiteral("--disable-breakpad"),
        // Hidden or occluded tabs must keep painting and running their timers.
        QStringLiteral("--disable-background-timer-throttling"), QStringLiteral("--disable-renderer-backgrounding"),
        QStringLiteral("--disable-backgrounding-occluded-windows"), QStringLiteral("--password-store=basic"),
        QStringLiteral("--use-mock-keychain") };
    args << QuietNetworkArguments();
    if (::geteuid() == 0)
        args << QStringLiteral("--no-sandbox");
    return args;
}

qm::Result<PipeTransport*> BrowserProcess::start(const QString& executable, const QStringList& extraArguments)
{
    stop();
    m_stopping = false;
    m_errorOutput.clear();
    ProfileFolder::removeStale();
    auto profile = ProfileFolder::create();
    if (!profile)
        return std::unexpected(profile.error());
    m_profile = std::move(*profile);

    int toBrowser[2];
    int fromBrowser[2];
    if (::pipe2(toBrowser, O_CLOEXEC) != 0)
        return qm::fail(qm::Error::Code::Io, QStringLiteral("Cannot create the browser pipe"));
    if (::pipe2(fromBrowser, O_CLOEXEC) != 0) {
        ::close(toBrowser[0]);
        ::close(toBrowser[1]);
        return qm::fail(qm::Error::Code::Io, QStringLiteral("Cannot create the browser pipe"));
    }
    const int childRead = toBrowser[0];
    const int childWrite = fromBrowser[1];
    // In the child: the pipe ends become fds 3 (commands in) and 4 (answers out). They are first moved
    // above 4 so that moving one cannot overwrite the other.
    m_process.setChildProcessModifier([childRead, childWrite] {
        ::setpgid(0, 0); // a group of its own, so that ending it reaches every helper process
        const int in = ::fcntl(childRead, F_DUPFD_CLOEXEC, 10);
        const int out = ::fcntl(childWrite, F_DUPFD_CLOEXEC, 10);
        ::dup2(in, 3);
        ::dup2(out, 4);
    });

    const QProcessEnvironment environment
        = BrowserEnvironment(QProcessEnvironment::systemEnvironment(), m_profile->path());
    QDir().mkpath(environment.value(QStringLiteral("TMPDIR")));
    m_process.setProcessEnvironment(environment);

    QStringList args = standardArguments();
    args << QStringLiteral("--remote-debugging-pipe") << QStringLiteral("--user-data-dir=") + m_profile->path();
    // Tests read the browser's own network log to prove it talks to nobody but the page.
    const QString netLog = qEnvironmentVariable("QUILLMARK_NET_LOG");
    if (!netLog.isEmpty())
        args << QStringLiteral("--log-net-log=") + netLog << QStringLiteral("--net-log-capture-mode=Default");
    args << extraArguments << QStringLiteral("about:blank");
    m_process.start(executable, args);
    ::close(childRead);
    ::close(childWrite);
    if (!m_process.waitForStarted(10000)) {
        ::close(toBrowser[1]);
        ::close(fromBrowser[0]);
        return qm::fail(qm::Error::Code::NotFound,
            QStringLiteral("Cannot start the browser %1: %2").arg(executable, m_process.errorString()));
    }
    m_group = m_process.processId();
    return new PipeTransport(fromBrowser[0], toBrowser[1]);
}

void BrowserProcess::stop(bool asked)
{
    if (m_process.state() != QProcess::NotRunning) {
        m_stopping = true;
        // A browser that closes itself finishes its files (network log, profile) and its helpers.
        if (!asked || !m_process.waitForFinished(QuitGraceMs))
            m_process.terminate();
        if (!m_process.waitForFinished(QuitGraceMs)) {
            ProcessGroup(m_group).signal(SIGKILL);
            m_process.waitForFinished(QuitGraceMs);
        }
    }
    endGroup();
    m_profile.reset();
}

void BrowserProcess::endGroup()
{
    // The profile folder may only go once nothing writes into it any more.
    if (m_group > 0 && !ProcessGroup(m_group).end(std::chrono::milliseconds(QuitGraceMs)))
        VerboseLog(QStringLiteral("browser processes of group %1 did not end").arg(m_group));
    m_group = 0;
}

QString BrowserProcess::profilePath() const
{
    return m_profile ? m_profile->path() : QString();
}

void BrowserProcess::awaitExit(std::chrono::milliseconds limit)
{
    if (m_process.state() == QProcess::Running)
        m_process.waitForFinished(int(limit.count()));
}

bool BrowserProcess::isRunning() const
{
    return m_process.state() == QProcess::Running;
}

qint64 BrowserProcess::pid() const
{
    return m_process.processId();
}

void BrowserProcess::onStderr()
{
    const QByteArray chunk = m_process.readAllStandardError();
    const qsizetype room = ErrorOutputLimit - m_errorOutput.size();
    if (room > 0)
        m_errorOutput.append(chunk.left(room));
}

} // namespace qm::cdp
