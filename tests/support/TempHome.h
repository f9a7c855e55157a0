#pragma once

#include <QTemporaryDir>

#include "platform/AppHome.h"

namespace qm::test {

// A fresh app home in a temporary folder, removed with the object; settings.dat starts absent.
class TempHome
{
public:
    TempHome();
    const AppHome& home() const { return *m_home; }
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    QString settingsPath() const { return file(QStringLiteral("settings.dat")); }
    void set(const QString& section, const QString& key, const QString& value) const;

private:
    QTemporaryDir m_dir;
    std::optional<AppHome> m_home;
};

} // namespace qm::test
