#include "settings/SettingsSource.h"

#include "settings/Inifun.h"

namespace qm {

QString FileSettings::read(const QString& section, const QString& key) const
{
    return ReadSetting(m_path, section, key);
}

QString OverriddenSettings::slot(const QString& section, const QString& key)
{
    return section.trimmed().toLower() + QLatin1Char('\n') + key.trimmed().toLower();
}

void OverriddenSettings::set(const QString& section, const QString& key, const QString& value)
{
    m_values.insert(slot(section, key), value);
}

QString OverriddenSettings::read(const QString& section, const QString& key) const
{
    const auto it = m_values.constFind(slot(section, key));
    return it != m_values.cend() ? *it : m_base.read(section, key);
}

} // namespace qm
