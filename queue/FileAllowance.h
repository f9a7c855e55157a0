#pragma once

#include <QString>
#include <QStringList>

#include "platform/Error.h"

namespace qm::queue {

// The local files a worker lets its jobs read (--allow-files): none, every file, or those under some
// folders. A job's own "allowfiles" narrows this, never widens it.
class FileAllowance
{
public:
    // From --allow-files: "all", or folders that exist (kept by their real paths).
    static Result<FileAllowance> fromOptions(const QStringList& given);

    // What a job whose "allowfiles" setting is `jobSetting` may read: its folders inside this allowance;
    // all of this allowance when it gives none, or "all".
    FileAllowance narrowedTo(const QString& jobSetting) const;

    // A local page: the file itself and the folder it reads as its own must both be allowed.
    Result<void> admitsPage(const QString& path) const;
    // A file a job's settings name (cookies, watermark picture, style sheet, script), as `what`.
    Result<void> admitsFile(const QString& path, const QString& what) const;

    // The "allowfiles" value the page is converted with.
    QString setting() const;

private:
    bool covers(const QString& realPath) const;
    Error refusal(const QString& what, const QString& path) const;

    bool m_worker = false; // the worker allows local files at all
    bool m_all = false;
    QStringList m_folders; // real paths
};

} // namespace qm::queue
