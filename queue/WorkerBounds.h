#pragma once

#include <QString>
#include <QStringList>

#include "platform/Error.h"
#include "queue/FileAllowance.h"
#include "queue/JobEntry.h"
#include "queue/JobSettings.h"
#include "queue/OutputRoot.h"

namespace qm::queue {

// What a worker lets the jobs it takes touch: the folder it writes under, the local files it reads and
// the hosts its credentials go to. Whoever can write to the stream writes the jobs, so a job narrows
// these and never widens them.
class WorkerBounds
{
public:
    struct Admitted
    {
        QString address; // what the tab loads: a local page by its real path
        JobSettings settings;
    };

    WorkerBounds(OutputRoot root, FileAllowance files, QStringList authHosts, QString credentials);

    const OutputRoot& root() const { return m_root; }

    // The job as this worker converts it, or why it may not be converted. Its output folder is created
    // only when everything else about the job is allowed.
    Result<Admitted> admit(const Job& job) const;

private:
    Result<void> admitFiles(const FileAllowance& files, const JobSettings& settings) const;
    bool givesCredentials(const QString& address) const;

    OutputRoot m_root;
    FileAllowance m_files;
    QStringList m_authHosts; // lower case
    QString m_credentials; // user:password, from QUILLMARK_AUTH
};

} // namespace qm::queue
