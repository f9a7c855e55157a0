#include "settings/IniStore.h"

#include <QFileInfo>

#include "settings/IniDocument.h"
#include "settings/TextFile.h"

namespace qm {

QString ReadSetting(const QString& path, const QString& section, const QString& key)
{
    // Never fails: whatever cannot be read counts as missing.
    const Result<QByteArray> bytes = ReadTextFile(path);
    if (!bytes)
        return {};
    return IniDocument(*bytes).value(section, key).value_or(QString());
}

Result<void> WriteSetting(const QString& path, const QString& section, const QString& key, const QString& value)
{
    return WriteSettings(path, { SettingWrite { section, key, value } });
}

Result<void> WriteSettings(const QString& path, const QList<SettingWrite>& writes)
{
    QByteArray current;
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink()) {
        // A file that cannot be read whole is left alone rather than replaced by these keys alone.
        Result<QByteArray> bytes = ReadTextFile(path);
        if (!bytes)
            return fail(bytes.error().code, QStringLiteral("settings not saved: %1").arg(bytes.error().message));
        current = std::move(*bytes);
    }
    IniDocument document(std::move(current));
    bool changed = false;
    for (const SettingWrite& write : writes) {
        switch (document.setValue(write.section, write.key, write.value)) {
        case IniDocument::SetOutcome::Changed:
            changed = true;
            break;
        case IniDocument::SetOutcome::Unchanged:
            break;
        case IniDocument::SetOutcome::BadSection:
            return fail(Error::Code::Usage, QStringLiteral("\"%1\" cannot be a section name").arg(write.section));
        case IniDocument::SetOutcome::BadKey:
            return fail(Error::Code::Usage, QStringLiteral("\"%1\" cannot be a setting name").arg(write.key));
        case IniDocument::SetOutcome::BadValue:
            return fail(Error::Code::Usage, QStringLiteral("the value of %1 cannot hold a line break").arg(write.key));
        }
    }
    if (!changed)
        return {};
    return WriteFileAtomically(path, document.bytes());
}

} // namespace qm
