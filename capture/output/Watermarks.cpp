#include "capture/output/Watermarks.h"

#include <QFileInfo>
#include <optional>

#include "capture/output/Image.h"
#include "settings/ReadingRules.h"
#include "settings/SettingKeys.h"

namespace qm {

namespace {

struct Anchor
{
    double x = 0;
    double y = 0;
};

Anchor PlacementAnchor(const QString& code, double offsetX, double offsetY, const Image& image)
{
    if (code == u"1")
        return { image.width() - offsetX, offsetY };
    if (code == u"2")
        return { offsetX, image.height() - offsetY };
    if (code == u"3")
        return { image.width() - offsetX, image.height() - offsetY };
    // "0", "4", and anything else ("-1" when nothing was chosen, a missing key).
    return { offsetX, offsetY };
}

struct TextMark
{
    QString text;
    QString placement;
    double x = 0;
    double y = 0;
    std::optional<qint32> size;
    std::optional<qint32> quality;
    QString face;
    std::optional<qint32> rotation;
    float transparency = 0;
    std::optional<qint32> colour;
};

TextMark ReadTextMark(const SettingsSource& s)
{
    TextMark m;
    m.placement = ReadText(s, keys::TextPlacement);
    m.x = ReadNumber(s, keys::TextX);
    m.y = ReadNumber(s, keys::TextY);
    m.size = ReadInteger(s, keys::TextSize);
    m.quality = ReadInteger(s, keys::TextQuality);
    m.face = ReadText(s, keys::TextFont);
    m.rotation = ReadInteger(s, keys::TextRotate);
    m.transparency = static_cast<float>(ReadNumber(s, keys::TextTransparency) / 100.0);
    m.colour = ReadInteger(s, keys::TextColor);
    return m;
}

void StampText(const TextMark& m, Image& image)
{
    const Anchor anchor = PlacementAnchor(m.placement, m.x, m.y, image);
    ImageFont& font = image.surface().font();
    if (m.colour)
        font.colour = static_cast<quint32>(*m.colour);
    font.faceName = m.face;
    if (m.size)
        font.size = *m.size;
    if (m.quality)
        font.quality = *m.quality;
    if (m.rotation)
        font.rotation = *m.rotation;
    font.transparency = m.transparency;
    const auto x = rules::toInteger(anchor.x);
    const auto y = rules::toInteger(anchor.y);
    if (x && y)
        (void)image.surface().drawText(*x, *y, m.text);
}

struct ImageMark
{
    QString path;
    QString placement;
    double x = 0;
    double y = 0;
    BlendOptions blend;
};

// Nothing when there is no picture to blend on.
std::optional<ImageMark> ReadImageMark(const SettingsSource& s)
{
    ImageMark m;
    m.path = ReadText(s, keys::WatermarkPicture);
    if (m.path.isEmpty() || !QFileInfo::exists(m.path))
        return std::nullopt;
    m.placement = ReadText(s, keys::ImagePlacement);
    m.x = ReadNumber(s, keys::ImageX);
    m.y = ReadNumber(s, keys::ImageY);
    m.blend.keyColour = ReadNumber(s, keys::WatermarkKeyColour);
    m.blend.tolerance = ReadNumber(s, keys::WatermarkKeyTolerance);
    m.blend.opacity = ReadNumber(s, keys::ImageOpacity) / 100.0;
    return m;
}

void Blend(const ImageMark& m, const Image& overlay, Image& base)
{
    const Anchor anchor = PlacementAnchor(m.placement, m.x, m.y, base);
    const auto x = rules::toInteger(anchor.x);
    const auto y = rules::toInteger(anchor.y);
    if (x && y)
        (void)base.surface().drawImage(*x, *y, overlay, m.blend);
}

} // namespace

void ApplyTextWatermark(const SettingsSource& s, QImage& image)
{
    const QString text = ReadText(s, keys::WatermarkText);
    if (text.isEmpty() || image.isNull())
        return;
    TextMark m = ReadTextMark(s);
    m.text = text;
    Image target;
    target.assign(std::move(image));
    StampText(m, target);
    image = target.takePicture();
}

QString ApplyImageWatermark(const SettingsSource& s, QImage& image)
{
    if (image.isNull())
        return {};
    const QString path = ReadText(s, keys::WatermarkPicture);
    if (path.isEmpty())
        return {};
    const auto m = ReadImageMark(s);
    if (!m)
        return QStringLiteral("the watermark picture %1 does not exist; pages are converted without it").arg(path);
    Image overlay;
    if (!overlay.load(m->path))
        return QStringLiteral("the watermark picture %1 cannot be read as a picture; pages are converted without it")
            .arg(path);
    Image base;
    base.assign(std::move(image));
    Blend(*m, overlay, base);
    image = base.takePicture();
    return {};
}

} // namespace qm
