#include "capture/PageControls.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

#include "capture/CookiesFile.h"
#include "capture/DevicePresets.h"
#include "platform/VisibleText.h"
#include "settings/SettingKeys.h"

namespace qm {

namespace {

std::unexpected<Error> invalid(const QString& message)
{
    return fail(Error::Code::Usage, message);
}

} // namespace

Result<QPair<QString, QString>> ParseHeaderLine(const QString& line)
{
    const qsizetype colon = line.indexOf(u':');
    const QString name = line.left(colon).trimmed();
    static const QRegularExpression token(QStringLiteral("^[!#$%&'*+.^_`|~0-9A-Za-z-]+$"));
    if (colon < 0 || !token.match(name).hasMatch())
        return fail(Error::Code::Usage,
            QStringLiteral("bad header \"%1\": it takes the form \"Name: value\"").arg(VisibleText(line)));
    // A line break would end the header and start another one of the value's making.
    const QString value = line.mid(colon + 1).trimmed();
    if (std::any_of(value.cbegin(), value.cend(), [](QChar c) { return (c < u' ' && c != u'\t') || c == u'\x7f'; }))
        return fail(Error::Code::Usage,
            QStringLiteral("bad header \"%1\": its value holds a line break or another control character")
                .arg(VisibleText(line)));
    return QPair<QString, QString>(name, value);
}

QStringList SplitSelectorList(const QString& text)
{
    QStringList parts;
    QString current;
    int depth = 0;
    QChar quote;
    for (const QChar c : text) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'(' || c == u'[') {
            ++depth;
        } else if ((c == u')' || c == u']') && depth > 0) {
            --depth;
        } else if (c == u',' && depth == 0) {
            if (!current.trimmed().isEmpty())
                parts.append(current.trimmed());
            current.clear();
            continue;
        }
        current.append(c);
    }
    if (!current.trimmed().isEmpty())
        parts.append(current.trimmed());
    return parts;
}

Result<QString> ReadFileOrText(const QString& value, const QString& what)
{
    const QFileInfo info(value);
    if (value.contains(u'\n') || !info.isAbsolute() || !info.exists())
        return value;
    QFile file(value);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return fail(Error::Code::Io, QStringLiteral("cannot read the %1 file %2").arg(what, value));
    return QString::fromUtf8(file.readAll());
}

namespace {

// How the page is shown: device, viewport, scale, user agent, colour scheme and motion.
Result<void> ReadEmulation(const SettingsSource& settings, PageControls& c)
{
    const QString device = ReadText(settings, keys::Device).trimmed();
    if (!device.isEmpty()) {
        const DevicePreset* preset = FindDevicePreset(device);
        if (!preset)
            return invalid(QStringLiteral("unknown device \"%1\" (%2)").arg(device, DevicePresetNamesText()));
        c.device = QLatin1String(preset->name);
        c.viewport = preset->viewport;
        c.scale = preset->scale;
        c.mobile = preset->mobile;
        c.userAgent = QLatin1String(preset->userAgent);
    }
    const auto size = [&](const SettingKey& key, int& target) -> Result<void> {
        if (ReadText(settings, key).trimmed().isEmpty())
            return {};
        const auto pixels = ReadInteger(settings, key);
        if (!pixels || *pixels < SmallestViewport || *pixels > LargestViewport)
            return fail(Error::Code::Usage,
                QStringLiteral("the page %1 takes %2 to %3 pixels, not \"%4\"")
                    .arg(key.keyName())
                    .arg(SmallestViewport)
                    .arg(LargestViewport)
                    .arg(ReadText(settings, key)));
        target = *pixels;
        return {};
    };
    int width = c.viewport.width();
    int height = c.viewport.height();
    if (auto ok = size(keys::Width, width); !ok)
        return ok;
    if (auto ok = size(keys::Height, height); !ok)
        return ok;
    c.viewport = QSize(width, height);
    if (!ReadText(settings, keys::Scale).trimmed().isEmpty()) {
        const double scale = ReadNumber(settings, keys::Scale);
        if (!(scale >= 1 && scale <= MostScale))
            return invalid(QStringLiteral("the scale takes 1 to 4, not \"%1\"").arg(ReadText(settings, keys::Scale)));
        c.scale = scale;
    }
    if (const QString agent = ReadText(settings, keys::UserAgent).trimmed(); !agent.isEmpty())
        c.userAgent = agent;
    c.colorScheme = ReadText(settings, keys::ColorScheme).trimmed().toLower();
    if (!c.colorScheme.isEmpty() && c.colorScheme != QLatin1String("light") && c.colorScheme != QLatin1String("dark"))
        return invalid(QStringLiteral("the colour scheme takes light or dark, not \"%1\"").arg(c.colorScheme));
    c.reducedMotion = ReadFlag(settings, keys::ReducedMotion);
    return {};
}

// What the page's requests carry and which are blocked.
Result<void> ReadRequests(const SettingsSource& settings, PageControls& c)
{
    for (const QString& line : ReadText(settings, keys::Headers).split(u'|', Qt::SkipEmptyParts)) {
        if (line.trimmed().isEmpty())
            continue;
        auto header = ParseHeaderLine(line);
        if (!header)
            return std::unexpected(header.error());
        c.headers.append(*header);
    }
    c.cookiesFile = ReadText(settings, keys::Cookies).trimmed();
    if (!c.cookiesFile.isEmpty()) {
        auto cookies = ReadCookiesFile(c.cookiesFile, QDateTime::currentSecsSinceEpoch());
        if (!cookies)
            return std::unexpected(cookies.error());
        c.cookies = *cookies;
    }
    if (const QString auth = ReadText(settings, keys::Auth); !auth.isEmpty()) {
        const qsizetype colon = auth.indexOf(u':');
        c.authUser = colon < 0 ? auth : auth.left(colon);
        c.authPassword = colon < 0 ? QString() : auth.mid(colon + 1);
    }
    for (const QString& pattern : ReadText(settings, keys::Block).split(u',', Qt::SkipEmptyParts)) {
        if (!pattern.trimmed().isEmpty())
            c.block.append(pattern.trimmed());
    }
    return {};
}

// What is done on the loaded page before it is captured.
Result<void> ReadPageWork(const SettingsSource& settings, PageControls& c)
{
    c.waitFor = ReadText(settings, keys::WaitFor).trimmed();
    const double delay = ReadNumber(settings, keys::PageDelay);
    if (delay > 0)
        c.delay = std::chrono::milliseconds(qint64(std::min(delay, 86400000.0)));
    c.selector = ReadText(settings, keys::Selector).trimmed();
    c.hide = SplitSelectorList(ReadText(settings, keys::Hide));
    c.remove = SplitSelectorList(ReadText(settings, keys::Remove));
    c.noOverlays = ReadFlag(settings, keys::NoOverlays);
    auto style = ReadFileOrText(ReadText(settings, keys::Style), QStringLiteral("style"));
    if (!style)
        return std::unexpected(style.error());
    c.style = *style;
    auto script = ReadFileOrText(ReadText(settings, keys::Script), QStringLiteral("script"));
    if (!script)
        return std::unexpected(script.error());
    c.script = *script;
    return {};
}

} // namespace

Result<PageControls> ReadPageControls(const SettingsSource& settings, QSize viewport)
{
    PageControls c;
    c.viewport = viewport;
    for (const auto read : { ReadEmulation, ReadRequests, ReadPageWork }) {
        if (auto ok = read(settings, c); !ok)
            return std::unexpected(ok.error());
    }
    return c;
}

} // namespace qm
