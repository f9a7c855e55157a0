#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "platform/Error.h"

namespace qm::cdp {

class PipeTransport;

// A local Chromium started with --remote-debugging-pipe and a private profile folder. The profile
// folder is removed when the object goes; the process is asked to quit, then killed after a grace period.
class BrowserProcess : public QObject
{
    Q_OBJECT
public:
    explicit BrowserProcess(QObject* parent = nullptr);
    ~BrowserProcess() override;

    // The fixed flags every start uses (profile and pipe flags come on top).
    static QStringList standardArguments();

    // Starts the executable; the transport talks to it over fds 3 and 4.
    qm::Result<PipeTransport*> start(const QString& executable, const QStringList& extraArguments);
    void stop();
    bool isRunning() const;
    qint64 pid() const;

    // The first 64 KiB of what the browser wrote on stderr (start-up errors).
    QByteArray errorOutput() const { return m_errorOutput; }
    QString profilePath() const { return m_profile ? m_profile->path() : QString(); }

signals:
    void exited(const qm::Error& why);

private:
    void onStderr();

    QProcess m_process;
    std::unique_ptr<QTemporaryDir> m_profile;
    QByteArray m_errorOutput;
    bool m_stopping = false;
};

} // namespace qm::cdp
