#include "capture/output/GifEncoder.h"

#include <memory>
#include <vector>

#include <gif_lib.h>
#include <libimagequant.h>

namespace qm {

namespace {

struct LiqDeleter
{
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
    void operator()(liq_image* p) const { liq_image_destroy(p); }
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};

int AppendToBuffer(GifFileType* gif, const GifByteType* bytes, int length)
{
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), length);
    return length;
}

Result<void> GifFailure(int code)
{
    const char* text = GifErrorString(code);
    return fail(
        Error::Code::Io, QStringLiteral("GIF writer: %1").arg(QString::fromUtf8(text ? text : "unknown error")));
}

// The quantised picture: palette and one index per pixel.
struct Indexed
{
    std::vector<GifColorType> palette;
    std::vector<unsigned char> pixels;
};

Result<Indexed> Quantise(const QImage& rgba)
{
    const int width = rgba.width();
    const int height = rgba.height();
    std::unique_ptr<liq_attr, LiqDeleter> attr(liq_attr_create());
    if (!attr)
        return fail(Error::Code::Io, QStringLiteral("colour quantiser could not start"));
    liq_set_max_colors(attr.get(), 256);
    // Speed 8 of 10: the palette search samples the picture; the remapping below sees every pixel.
    liq_set_speed(attr.get(), 8);

    std::vector<void*> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        rows[static_cast<size_t>(y)] = const_cast<uchar*>(rgba.constScanLine(y));
    std::unique_ptr<liq_image, LiqDeleter> image(liq_image_create_rgba_rows(attr.get(), rows.data(), width, height, 0));
    if (!image)
        return fail(Error::Code::Unsupported,
            QStringLiteral("colour quantiser refused a %1 x %2 picture").arg(width).arg(height));
    liq_result* rawResult = nullptr;
    if (liq_image_quantize(image.get(), attr.get(), &rawResult) != LIQ_OK || !rawResult)
        return fail(Error::Code::Io, QStringLiteral("colour quantisation failed"));
    std::unique_ptr<liq_result, LiqDeleter> result(rawResult);
    liq_set_dithering_level(result.get(), 1.0f);

    Indexed out;
    out.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    if (liq_write_remapped_image(result.get(), image.get(), out.pixels.data(), out.pixels.size()) != LIQ_OK)
        return fail(Error::Code::Io, QStringLiteral("colour remapping failed"));
    const liq_palette* palette = liq_get_palette(result.get());
    for (unsigned i = 0; i < palette->count; ++i)
        out.palette.push_back(GifColorType { palette->entries[i].r, palette->entries[i].g, palette->entries[i].b });
    return out;
}

Result<void> WriteGif(const Indexed& indexed, int width, int height, QByteArray& buffer)
{
    // GIF colour tables have a power-of-two size of at least 2 entries.
    int bits = 1;
    while ((1 << bits) < static_cast<int>(indexed.palette.size()))
        ++bits;
    std::vector<GifColorType> table(indexed.palette);
    table.resize(static_cast<size_t>(1) << bits, GifColorType { 0, 0, 0 });
    std::unique_ptr<ColorMapObject, void (*)(ColorMapObject*)> map(
        GifMakeMapObject(1 << bits, table.data()), GifFreeMapObject);
    if (!map)
        return fail(Error::Code::Io, QStringLiteral("GIF writer: out of memory"));

    int error = 0;
    GifFileType* gif = EGifOpen(&buffer, AppendToBuffer, &error);
    if (!gif)
        return GifFailure(error);
    auto finish = [&](Result<void> outcome) -> Result<void> {
        int closeError = 0;
        if (EGifCloseFile(gif, &closeError) != GIF_OK && outcome)
            return GifFailure(closeError);
        return outcome;
    };
    if (EGifPutScreenDesc(gif, width, height, bits, 0, map.get()) != GIF_OK
        || EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) != GIF_OK)
        return finish(GifFailure(gif->Error));
    auto* line = const_cast<GifPixelType*>(indexed.pixels.data());
    for (int y = 0; y < height; ++y, line += width) {
        if (EGifPutLine(gif, line, width) != GIF_OK)
            return finish(GifFailure(gif->Error));
    }
    return finish({});
}

} // namespace

Result<QByteArray> EncodeGif(const QImage& picture)
{
    if (picture.isNull())
        return fail(Error::Code::Unsupported, QStringLiteral("the picture is empty"));
    if (picture.width() > kGifMaxSide || picture.height() > kGifMaxSide) {
        return fail(Error::Code::Unsupported,
            QStringLiteral("GIF pictures are at most %1 pixels wide and high; this one is %2 x %3")
                .arg(kGifMaxSide)
                .arg(picture.width())
                .arg(picture.height()));
    }
    // Opaque first: a page has no transparency, and GIF could keep only one fully clear colour.
    const QImage rgba = picture.convertToFormat(QImage::Format_RGBX8888);
    auto indexed = Quantise(rgba);
    if (!indexed)
        return std::unexpected(indexed.error());
    QByteArray buffer;
    buffer.reserve(static_cast<qsizetype>(indexed->pixels.size() / 4));
    if (auto written = WriteGif(*indexed, picture.width(), picture.height(), buffer); !written)
        return std::unexpected(written.error());
    return buffer;
}

} // namespace qm
