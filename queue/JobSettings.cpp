#include "queue/JobSettings.h"

#include "settings/SettingKeys.h"

namespace qm::queue {

JobSettings::JobSettings(const QJsonObject& sections)
{
    for (auto section = sections.begin(); section != sections.end(); ++section) {
        const QJsonObject keys = section.value().toObject();
        for (auto key = keys.begin(); key != keys.end(); ++key)
            set(section.key(), key.key(), key.value().toString());
    }
}

QString JobSettings::slot(const QString& section, const QString& key)
{
    return section.trimmed().toLower() + u'\n' + key.trimmed().toLower();
}

QString JobSettings::read(const QString& section, const QString& key) const
{
    return m_values.value(slot(section, key));
}

void JobSettings::set(const QString& section, const QString& key, const QString& value)
{
    m_values.insert(slot(section, key), value.trimmed());
}

QJsonObject JobSettings::capture(const SettingsSource& settings)
{
    QJsonObject sections;
    for (const SettingKey* key : AllSettingKeys()) {
        if (key == &keys::Jobs || key == &keys::Auth)
            continue;
        const QString value = ReadText(settings, *key);
        if (value.isEmpty())
            continue;
        QJsonObject section = sections.value(key->sectionName()).toObject();
        section.insert(key->keyName(), value);
        sections.insert(key->sectionName(), section);
    }
    return sections;
}

} // namespace qm::queue
