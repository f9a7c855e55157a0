#pragma once

#include <QString>
#include <QStringList>

namespace qm::cdp {

// Which local files a page may read. A local (file:) page reads the files under its own folder and
// nothing else, unless more folders are allowed or the limit is lifted; a web page reads none.
struct FileAccess
{
    bool all = false; // every file the user can read
    QStringList folders; // allowed beside the page's own folder

    // From the "allowfiles" setting: empty for the default, "all", or folders separated by ';'.
    static FileAccess fromSetting(const QString& value);

    // Whether the page at `pageUrl` may read `fileUrl`.
    bool allows(const QString& pageUrl, const QString& fileUrl) const;
};

} // namespace qm::cdp
