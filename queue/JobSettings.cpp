#include "queue/JobSettings.h"

#include <QSet>
#include <algorithm>

#include "settings/SettingKeys.h"

namespace qm::queue {

namespace {

// Keys the converting machine decides (pages at once, its credentials): never sent with a job, never
// taken from one.
constexpr const SettingKey* MachineKeys[] = { &keys::Jobs, &keys::Auth };

bool IsMachineKey(const SettingKey* key)
{
    return std::find(std::begin(MachineKeys), std::end(MachineKeys), key) != std::end(MachineKeys);
}

} // namespace

JobSettings::JobSettings(const QJsonObject& sections)
{
    QSet<QString> machine;
    for (const SettingKey* key : MachineKeys)
        machine.insert(slot(key->sectionName(), key->keyName()));
    for (auto section = sections.begin(); section != sections.end(); ++section) {
        const QJsonObject keys = section.value().toObject();
        for (auto key = keys.begin(); key != keys.end(); ++key) {
            if (!machine.contains(slot(section.key(), key.key())))
                set(section.key(), key.key(), key.value().toString());
        }
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
        if (IsMachineKey(key))
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
