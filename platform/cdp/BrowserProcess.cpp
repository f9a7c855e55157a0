#include "platform/cdp/BrowserProcess.h"

#include <QDir>

#include <fcntl.h>
#include <unistd.h>

#include "platform/cdp/PipeTransport.h"

namespace qm::cdp {

namespace {

constexpr qsizetype ErrorOutputLimit = 64 * 1024;
constexpr int QuitGraceMs = 2000;

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
        QString why = status == QProcess::CrashExit
            ? QStringLiteral("the browser process crashed")
            : QStringLiteral("the browser process ended (exit code %1)").arg(code);
        const QString output = QString::fromLocal8Bit(m_errorOutput).trimmed();
        if (!output.isEmpty())
            why += QStringLiteral(": ") + output.right(2000);
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
    if (::geteuid() == 0)
        args << QStringLiteral("--no-sandbox");
    return args;
}

qm::Result<PipeTransport*> BrowserProcess::start(const QString& executable, const QStringList& extraArguments)
{
    stop();
    m_stopping = false;
    m_errorOutput.clear();
    m_profile = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/quillmark-browser-XXXXXX"));
    if (!m_profile->isValid())
        return qm::fail(qm::Error::Code::Io,
            QStringLiteral("Cannot create a browser profile folder: %1").arg(m_profile->errorString()));

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
        const int in = ::fcntl(childRead, F_DUPFD_CLOEXEC, 10);
        const int out = ::fcntl(childWrite, F_DUPFD_CLOEXEC, 10);
        ::dup2(in, 3);
        ::dup2(out, 4);
    });

    // Chromium's own temporary files (shared memory without /dev/shm) go inside the profile folder, so
    // they are removed with it even when the browser is killed.
    const QString temp = m_profile->path() + QStringLiteral("/tmp");
    QDir().mkpath(temp);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), temp);
    // The crash reporter keeps its database under the user's config folder; point that into the
    // profile too, so nothing is written outside it.
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_profile->path() + QStringLiteral("/config"));
    m_process.setProcessEnvironment(environment);

    QStringList args = standardArguments();
    args << QStringLiteral("--remote-debugging-pipe") << QStringLiteral("--user-data-dir=") + m_profile->path();
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
    return new PipeTransport(fromBrowser[0], toBrowser[1]);
}

void BrowserProcess::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_stopping = true;
        m_process.terminate();
        if (!m_process.waitForFinished(QuitGraceMs)) {
            m_process.kill();
            m_process.waitForFinished(QuitGraceMs);
        }
    }
    m_profile.reset();
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
