#include "settings/Inifun.h"

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
    QByteArray current;
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        // A file that cannot be read whole is left alone rather than replaced by one key.
        Result<QByteArray> bytes = ReadTextFile(path);
        if (!bytes)
            return fail(bytes.error().code, QStringLiteral("settings not saved: %1").arg(bytes.error().message));
        current = std::move(*bytes);
    }
    IniDocument document(std::move(current));
    switch (document.setValue(section, key, value)) {
    case IniDocument::SetOutcome::Changed:
        break;
    case IniDocument::SetOutcome::Unchanged:
        if (QFileInfo::exists(path))
            return {};
        break;
    case IniDocument::SetOutcome::BadSection:
        return fail(Error::Code::Usage, QStringLiteral("\"%1\" cannot be a section name").arg(section));
    case IniDocument::SetOutcome::BadKey:
        return fail(Error::Code::Usage, QStringLiteral("\"%1\" cannot be a setting name").arg(key));
    case IniDocument::SetOutcome::BadValue:
        return fail(Error::Code::Usage, QStringLiteral("the value of %1 cannot hold a line break").arg(key));
    }
    return WriteFileAtomically(path, document.bytes());
}

} // namespace qm
