#include "capture/ReplaceFile.h"

#include <QFile>
#include <cerrno>
#include <cstdio>

namespace qm {

Result<void> ReplaceFile(const QString& from, const QString& to)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        const int error = errno;
        return fail(Error::Code::Io, QStringLiteral("cannot move %1 to %2: %3").arg(from, to, qt_error_string(error)));
    }
    return {};
}

} // namespace qm
