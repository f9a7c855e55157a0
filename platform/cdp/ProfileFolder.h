#pragma once

#include <QString>
#include <memory>

#include "platform/Error.h"

namespace qm::cdp {

// The private profile folder of one local browser, `quillmark-browser-XXXXXX` in the temporary
// folder. It names the process that made it (id and start time), so a later run can tell a folder
// whose owner is gone (killed, crashed) and remove it.
class ProfileFolder
{
public:
    static qm::Result<std::unique_ptr<ProfileFolder>> create();
    ~ProfileFolder(); // removes the folder; the browser using it must have ended

    QString path() const { return m_path; }

    // Removes the folders left behind by runs that ended without cleaning up.
    static void removeStale();

private:
    explicit ProfileFolder(QString path);

    QString m_path;
};

} // namespace qm::cdp
