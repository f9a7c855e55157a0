#include "report/PngTop.h"

#include <QFile>
#include <csetjmp>
#include <cstdio>
#include <memory>

#include <png.h>

namespace qm {

namespace {

struct Reader
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~Reader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

// Returns false on any libpng error; `image` is then left to the caller to drop.
bool readTop(std::FILE* file, Reader& r, QImage& image, int rows)
{
    if (setjmp(png_jmpbuf(r.png)))
        return false;
    png_init_io(r.png, file);
    png_read_info(r.png, r.info);
    if (png_get_interlace_type(r.png, r.info) != PNG_INTERLACE_NONE)
        return false;
    const png_uint_32 width = png_get_image_width(r.png, r.info);
    const png_uint_32 height = png_get_image_height(r.png, r.info);
    // Every form becomes 8-bit BGRA, QImage's ARGB32 in memory.
    png_set_expand(r.png);
    png_set_strip_16(r.png);
    png_set_gray_to_rgb(r.png);
    png_set_filler(r.png, 0xff, PNG_FILLER_AFTER);
    png_set_bgr(r.png);
    png_read_update_info(r.png, r.info);
    if (width == 0 || width > 65535 || png_get_rowbytes(r.png, r.info) != width * 4)
        return false;
    image = QImage(int(width), int(std::min<png_uint_32>(height, png_uint_32(rows))), QImage::Format_ARGB32);
    if (image.isNull())
        return false;
    for (int y = 0; y < image.height(); ++y)
        png_read_row(r.png, image.scanLine(y), nullptr);
    return true;
}

} // namespace

QImage ReadPngTop(const QString& path, int rows)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
        std::fopen(QFile::encodeName(path).constData(), "rb"), &std::fclose);
    if (!file || rows <= 0)
        return {};
    unsigned char signature[8] = {};
    if (std::fread(signature, 1, 8, file.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0)
        return {};
    Reader r;
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!r.png)
        return {};
    r.info = png_create_info_struct(r.png);
    if (!r.info)
        return {};
    png_set_sig_bytes(r.png, 8);
    QImage image;
    if (!readTop(file.get(), r, image, rows))
        return {};
    return image;
}

} // namespace qm
