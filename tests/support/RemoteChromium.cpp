#include "tests/support/RemoteChromium.h"

#include <QRegularExpression>
#include <csignal>

#include <unistd.h>

#include "platform/cdp/Browser.h"
#include "platform/cdp/ProcessGroup.h"
#include "tests/support/EventLoop.h"

namespace qm::test {

using namespace std::chrono_literals;

RemoteChromium::RemoteChromium()
{
    const auto executable = cdp::Browser::findExecutable();
    if (!executable)
        return;
    QStringList args { "--headless", "--disable-gpu", "--no-first-run", "--disable-background-networking",
        "--disable-component-update", "--disable-sync", "--disable-dev-shm-usage", "--remote-debugging-port=0",
        "--remote-debugging-address=127.0.0.1", "--user-data-dir=" + m_profile.path() };
    if (::geteuid() == 0)
        args << "--no-sandbox";
    args << "about:blank";
    LoopRunner runner;
    QObject::connect(&m_process, &QProcess::readyReadStandardError, [&] {
        m_output += m_process.readAllStandardError();
        const auto match = QRegularExpression("DevTools listening on (ws://\\S+)").match(QString::fromUtf8(m_output));
        if (match.hasMatch() && m_endpoint.isEmpty()) {
            m_endpoint = match.captured(1);
            runner.done();
        }
    });
    m_process.setChildProcessModifier([] { ::setpgid(0, 0); }); // its helpers end with it
    m_process.start(*executable, args);
    runner.run(30s);
    m_process.disconnect();
}

RemoteChromium::~RemoteChromium()
{
    const cdp::ProcessGroup group(m_process.processId());
    group.signal(SIGKILL);
    m_process.waitForFinished(5000);
    group.waitForExit(std::chrono::seconds(5));
}

} // namespace qm::test
