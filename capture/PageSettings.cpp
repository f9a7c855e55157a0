#include "capture/PageSettings.h"

#include "settings/SettingKeys.h"

namespace qm {

PageSettings PageSettings::ReadFrom(const SettingsSource& store)
{
    PageSettings settings;
    for (const SettingKey* key : AllSettingKeys())
        settings.m_values.insert(slot(key->sectionName(), key->keyName()), ReadText(store, *key));
    return settings;
}

QString PageSettings::read(const QString& section, const QString& key) const
{
    return m_values.value(slot(section, key));
}

QString PageSettings::slot(const QString& section, const QString& key)
{
    return section.trimmed().toLower() + u'\n' + key.trimmed().toLower();
}

} // namespace qm
