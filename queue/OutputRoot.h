#pragma once

#include <QString>

#include "platform/Error.h"

namespace qm::queue {

// The folder a worker writes under (--output-root). A job's output folder and file name are taken
// inside it; one that would lead out of it, by its spelling or through a link, is refused.
class OutputRoot
{
public:
    // The root, created when missing, by its real path.
    static Result<OutputRoot> open(const QString& path);

    const QString& path() const { return m_path; }

    // The real folder a job's "outputfolder" names, created when missing: empty or 0 is the root itself,
    // a relative folder lies under the root and an absolute one must. Nothing is created for one outside.
    Result<QString> folderFor(const QString& jobFolder) const;

    // A job's file name names a file in its folder, not a path.
    static Result<void> checkName(const QString& name);

private:
    explicit OutputRoot(QString path)
        : m_path(std::move(path))
    {
    }
    QString m_path;
};

} // namespace qm::queue
