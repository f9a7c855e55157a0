#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace qm::test {

// A second Chromium listening on a loopback port, as a remote browser would.
class RemoteChromium
{
public:
    RemoteChromium();
    ~RemoteChromium();
    QString endpoint() const { return m_endpoint; }

private:
    QTemporaryDir m_profile;
    QProcess m_process;
    QByteArray m_output;
    QString m_endpoint;
};

} // namespace qm::test
