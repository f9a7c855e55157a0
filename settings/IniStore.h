#pragma once

#include <QList>
#include <QString>

#include "platform/Error.h"

namespace qm {

// The settings store: INI text, UTF-8. Section and key names match without regard to case and
// surrounding blanks; values come back trimmed of spaces (tabs stay). Reading never creates the
// file; writing creates file, section and key as needed and replaces the whole file atomically.

// The value, or the empty text when the file, section or key is missing.
QString ReadSetting(const QString& path, const QString& section, const QString& key);

// Callers of the settings dialog ignore the outcome; the rest may look at it.
Result<void> WriteSetting(const QString& path, const QString& section, const QString& key, const QString& value);

// Several values in one rewrite of the file (the settings dialog's OK): every value is written, or,
// when one of them cannot be, none is. One rewrite instead of one per key also spares the disk.
struct SettingWrite
{
    QString section;
    QString key;
    QString value;
};
Result<void> WriteSettings(const QString& path, const QList<SettingWrite>& writes);

} // namespace qm
