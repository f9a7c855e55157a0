#include "capture/Naming.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QUrl>

#include "settings/ReadingRules.h"
#include "settings/SettingKeys.h"

namespace qm {

QString SiteNameFromAddress(const QString& address)
{
    // The order matters: "https" goes before "http" ("myhttpsite" gives "myite").
    // A local page is named after its path as the user sees it ("my page", not "my%20page").
    QString name = address.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)
        ? QUrl::fromPercentEncoding(address.toUtf8())
        : address;
    name.remove(QStringLiteral("https"));
    name.remove(QStringLiteral("http"));
    name.replace(u'.', u'_');
    name.remove(u':');
    name.remove(u'/');
    for (const char16_t c : { u'\\', u'*', u'?', u'>', u'<', u'|' })
        name.replace(QChar(c), u'_');
    return name;
}

QString DateTimeStamp(const QDateTime& at)
{
    return at.toString(QStringLiteral("MMddyyHHmmss"));
}

QString ShortenedBaseName(const QString& baseName)
{
    // Only the last path component is one file name; a custom name may hold folders.
    const qsizetype slash = baseName.lastIndexOf(u'/');
    const QString head = baseName.left(slash + 1);
    const QString name = baseName.sliced(slash + 1);
    if (name.toUtf8().size() <= MaxBaseNameBytes)
        return baseName;
    const QString hash
        = QString::fromLatin1(QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha256).toHex().left(8));
    const qsizetype room = MaxBaseNameBytes - 1 - hash.size();
    // Cut on a character boundary (never inside a surrogate pair), counting UTF-8 bytes.
    qsizetype bytes = 0;
    qsizetype keep = 0;
    while (keep < name.size()) {
        const qsizetype step = (name[keep].isHighSurrogate() && keep + 1 < name.size()) ? 2 : 1;
        const qsizetype size = name.sliced(keep, step).toUtf8().size();
        if (bytes + size > room)
            break;
        bytes += size;
        keep += step;
    }
    return head + name.left(keep) + u'~' + hash;
}

OutputNaming ReadOutputNaming(
    const SettingsSource& s, const QString& appHome, const QString& pageAddress, const QDateTime& now)
{
    const QString folder = ReadText(s, keys::OutputFolder);
    const QString fileName = ReadText(s, keys::FileName);
    const bool withStamp = ReadFlag(s, keys::DateTime);
    const bool numbering = ReadEquals(s, keys::ExistingFileRule, 0);
    const bool customName = ReadEquals(s, keys::NameChoice, 0);

    OutputNaming naming;
    // An empty folder means the app home too: never the root of the file system.
    naming.folder = (folder.isEmpty() || rules::equalsNumber(folder, 0)) ? appHome : folder;
    const QString base
        = customName ? fileName + (withStamp ? DateTimeStamp(now) : QString()) : SiteNameFromAddress(pageAddress);
    naming.baseName = ShortenedBaseName(base);
    naming.numbering = numbering;
    return naming;
}

QString IntermediatePath(const OutputNaming& n)
{
    return n.folder + u'/' + n.baseName + QStringLiteral(".BMP");
}

QString PathStem(const QString& path)
{
    return path.size() > 4 ? path.chopped(4) : QString();
}

QString ThumbnailPath(const QString& intermediate)
{
    return PathStem(intermediate) + QStringLiteral("_Thumbnail.jpg");
}

} // namespace qm
