#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <chrono>
#include <memory>

#include "platform/Error.h"

namespace qm::cdp {

class PipeTransport;
class ProfileFolder;

// A local Chromium started with --remote-debugging-pipe and a private profile folder, in a process
// group of its own. Ending it ends the whole group (renderers and helpers too) before the profile
// folder is removed, so nothing is left running or on disk.
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
    // Ends the browser and its group, then removes the profile. `asked` says the browser was already
    // asked to close: it gets the grace period to do so before it is told to.
    void stop(bool asked = false);
    bool isRunning() const;
    // Waits at most `limit` for a browser that is ending anyway (its pipe closed); exited() follows.
    void awaitExit(std::chrono::milliseconds limit);
    qint64 pid() const;

    // The first 64 KiB of what the browser wrote on stderr (for the --verbose log only).
    QByteArray errorOutput() const { return m_errorOutput; }
    QString profilePath() const;

signals:
    // The browser ended on its own; `why` says how, in the user's words.
    void exited(const qm::Error& why);

private:
    void onStderr();
    void endGroup();

    QProcess m_process;
    std::unique_ptr<ProfileFolder> m_profile;
    qint64 m_group = 0;
    QByteArray m_errorOutput;
    bool m_stopping = false;
};

} // namespace qm::cdp
