#pragma once

#include <QString>

#include "platform/Error.h"

namespace qm {

// The app home holds settings.dat, schedule.dat and temporary files; the share folder holds the
// read-only resources that ship with the program (skin, help, sample page, first-run settings).
class AppHome
{
public:
    // $QUILLMARK_HOME if set, else the per-user data folder. Not created.
    static QString defaultPath();

    // Creates the folder when missing and copies the first-run settings.dat into it when it has none.
    static Result<AppHome> open(const QString& path);

    const QString& path() const { return m_path; }
    QString file(const QString& name) const; // path() + "/" + name
    QString settingsPath() const { return file(QStringLiteral("settings.dat")); }
    QString schedulePath() const { return file(QStringLiteral("schedule.dat")); }

    // The installed share folder (next to the binary's ../share/quillmark), else the source tree's.
    static QString shareDir();
    static QString shareFile(const QString& name);

private:
    explicit AppHome(QString path)
        : m_path(std::move(path))
    {
    }
    QString m_path;
};

} // namespace qm
