#include "tests/support/TempHome.h"

#include <QFile>

namespace qm::test {

TempHome::TempHome()
{
    // AppHome::open copies the first-run settings; tests want to start from none.
    auto home = AppHome::open(m_dir.path());
    QFile::remove(m_dir.filePath(QStringLiteral("settings.dat")));
    m_home = *home;
}

} // namespace qm::test

#include "settings/IniStore.h"

void qm::test::TempHome::set(const QString& section, const QString& key, const QString& value) const
{
    (void)WriteSetting(settingsPath(), section, key, value);
}
