#pragma once

#include <QString>
#include <functional>

#include "platform/Error.h"

namespace qm {

class OutputFile;

// The one way output names are numbered: `first`, then base_0.extension, base_1.extension ... The first
// name `take` accepts is returned; a failure of `take` ends the search with its reason.
Result<QString> NumberedName(const QString& first, const QString& base, const QString& extension,
    const std::function<Result<bool>(const QString& path)>& take);

// Nothing at the path, not even a folder or a dangling link. A name that cannot be looked at (too long, no
// access) counts as free: the output's own write then fails with the reason, naming the output.
bool NothingAt(const QString& path);

// The intermediate BMP's name, which decides the base of the output's name (x.BMP present gives x_0.bmp,
// and the output then x_0.jpg). With numbering on it is the first of `first`, base_0.extension,
// base_1.extension ... at which nothing is (a file, a folder, a link) and which no other capture of
// this program holds; the name is held until this object goes, so captures running at the same time
// get different bases, as when they ran one after another. Nothing is written under it.
// With numbering off it is `first` itself. The folder is created when missing.
class HeldName
{
public:
    HeldName() = default;
    HeldName(HeldName&& other) noexcept;
    HeldName& operator=(HeldName&& other) noexcept;
    HeldName(const HeldName&) = delete;
    HeldName& operator=(const HeldName&) = delete;
    ~HeldName();

    const QString& path() const { return m_path; }

    static Result<HeldName> hold(const QString& first, const QString& base, const QString& extension, bool numbering);

private:
    void release();

    QString m_path;
    bool m_held = false;
};

// Lands the finished `file` under its output name and returns that name. With numbering on: `first` if
// nothing is there, else base_0.extension, base_1.extension ... Each name is claimed by an exclusive
// move of the complete file (OutputFile::land), so writers running at the same time (threads or
// processes) never get the same name, and no name ever shows an empty or partial file. With numbering
// off: `first` is replaced (a file there is the user's previous output).
// On failure nothing has landed; the reason names the output.
Result<QString> ClaimName(
    OutputFile& file, const QString& first, const QString& base, const QString& extension, bool numbering);

} // namespace qm
