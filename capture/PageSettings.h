#pragma once

#include <QHash>
#include <QString>

#include "settings/SettingsSource.h"

namespace qm {

// Every setting one page's conversion uses (type, format, quality, naming, numbering, folder,
// thumbnail, watermarks, time limit, error pages), read once through the key table when the page
// starts. The pipeline reads this copy, never the store, so a change made while the page runs (the
// settings dialog's OK) applies from the next page on and cannot split one page between two formats.
class PageSettings : public SettingsSource
{
public:
    static PageSettings ReadFrom(const SettingsSource& store);

    // A key outside the table reads as missing.
    QString read(const QString& section, const QString& key) const override;

private:
    static QString slot(const QString& section, const QString& key);
    QHash<QString, QString> m_values;
};

} // namespace qm
