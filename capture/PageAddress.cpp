#include "capture/PageAddress.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace qm {

namespace {

// A name that is a file rather than a host when it is not found: "report.html" is no web site.
bool LooksLikeFileName(const QString& text)
{
    static const QRegularExpression fileName(QStringLiteral("^[^/?#]*\\.(html?|xhtml|shtml|mht|mhtml|svg|xml|txt)$"),
        QRegularExpression::CaseInsensitiveOption);
    return text.startsWith(QLatin1String("./")) || text.startsWith(QLatin1String("../"))
        || fileName.match(text).hasMatch();
}

QString FileAddress(const QString& path)
{
    return QUrl::fromLocalFile(QDir::cleanPath(path)).toString(QUrl::FullyEncoded);
}

Result<QString> NotAPage(const QString& text, const QString& why)
{
    return fail(Error::Code::Usage, QStringLiteral("not a page address (%1): %2").arg(why, text));
}

} // namespace

Result<QString> NormalisedAddress(const QString& given, const QString& workingFolder)
{
    const QString text = given.trimmed();
    if (text.isEmpty())
        return fail(Error::Code::Usage, QStringLiteral("an empty address"));
    if (text.startsWith(u'/'))
        return FileAddress(text);
    if (text == u'~' || text.startsWith(QLatin1String("~/")))
        return FileAddress(QDir::homePath() + text.sliced(1));

    // "host:8080/a" is a host and a port, not a scheme called "host".
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):(?!\\d+(?:[/?#]|$))"));
    if (const auto match = scheme.match(text); match.hasMatch()) {
        const QString name = match.captured(1).toLower();
        if (name == QLatin1String("http") || name == QLatin1String("https")) {
            // "http://" alone, or a broken host ("http://[::1:bad/"), is no page the browser could load.
            const QUrl web(text);
            if (!web.isValid() || web.host().isEmpty())
                return NotAPage(text, QStringLiteral("neither a web address nor a file path"));
            return text;
        }
        if (name == QLatin1String("file") || name == QLatin1String("data"))
            return text;
        return NotAPage(text, QStringLiteral("%1: is not loaded as a page").arg(name));
    }

    if (!workingFolder.isEmpty()) {
        const QString path = QDir(workingFolder).absoluteFilePath(text);
        if (QFileInfo::exists(path) || LooksLikeFileName(text))
            return FileAddress(path);
    }
    const QUrl web(QStringLiteral("http://") + text);
    if (!web.isValid() || web.host().isEmpty())
        return NotAPage(text, QStringLiteral("neither a web address nor a file path"));
    return web.toString(QUrl::FullyEncoded);
}

Result<QString> PageAddress(const QString& text, const QString& workingFolder)
{
    auto address = NormalisedAddress(text, workingFolder);
    if (!address || !address->startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return address;
    const QUrl url(*address);
    const QString path = url.toLocalFile();
    if (!url.isValid() || path.isEmpty())
        return NotAPage(*address, QStringLiteral("not a local file"));
    const QFileInfo file(path);
    if (!file.exists())
        return fail(Error::Code::NotFound, QStringLiteral("file not found: %1").arg(path));
    if (!file.isFile())
        return fail(Error::Code::NotFound, QStringLiteral("not a file: %1").arg(path));
    return address;
}

} // namespace qm
