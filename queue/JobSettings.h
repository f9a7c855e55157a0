#pragma once

#include <QHash>
#include <QJsonObject>

#include "settings/SettingsSource.h"

namespace qm::queue {

// A batch's settings as its jobs carry them (section -> key -> value), read like settings.dat: names
// without regard to case, values trimmed. Keys that belong to the converting machine are left out.
class JobSettings : public SettingsSource
{
public:
    explicit JobSettings(const QJsonObject& sections);
    QString read(const QString& section, const QString& key) const override;
    void set(const QString& section, const QString& key, const QString& value);

    // The values `settings` gives for every key of the table (empty ones left out), but those that
    // belong to the machine that converts (pages at once) or are never sent (HTTP authentication).
    static QJsonObject capture(const SettingsSource& settings);

private:
    static QString slot(const QString& section, const QString& key);
    QHash<QString, QString> m_values;
};

} // namespace qm::queue
