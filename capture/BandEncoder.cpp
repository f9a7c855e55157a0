#include "capture/BandEncoder.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <png.h>

namespace qm {

namespace {

// libpng and libjpeg report errors by longjmp; the jumps stay inside the small C-style functions
// below, which own no objects with destructors.

void appendPng(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<QByteArray*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), qsizetype(length));
}

void flushNothing(png_structp) { }

class PngBandEncoder : public BandEncoder
{
public:
    explicit PngBandEncoder(QSize size)
        : m_size(size)
    {
        m_png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        m_info = m_png ? png_create_info_struct(m_png) : nullptr;
        m_ok = m_png && m_info && start();
    }

    ~PngBandEncoder() override { png_destroy_write_struct(&m_png, &m_info); }

    qm::Result<void> addBand(const QImage& band) override
    {
        if (!m_ok)
            return qm::fail(qm::Error::Code::Io, QStringLiteral("The PNG encoder failed"));
        const QImage rgb = band.convertToFormat(QImage::Format_RGB888);
        if (rgb.width() != m_size.width() || m_rows + rgb.height() > m_size.height())
            return qm::fail(qm::Error::Code::Unsupported, QStringLiteral("A band does not fit the picture"));
        if (!writeRows(rgb)) {
            m_ok = false;
            return qm::fail(qm::Error::Code::Io, QStringLiteral("The PNG encoder failed"));
        }
        m_rows += rgb.height();
        return {};
    }

    qm::Result<QByteArray> finish() override
    {
        if (!m_ok || m_rows != m_size.height() || !end())
            return qm::fail(qm::Error::Code::Io, QStringLiteral("The PNG encoder failed"));
        return std::move(m_out);
    }

private:
    bool start()
    {
        if (setjmp(png_jmpbuf(m_png)))
            return false;
        png_set_write_fn(m_png, &m_out, appendPng, flushNothing);
        png_set_IHDR(m_png, m_info, png_uint_32(m_size.width()), png_uint_32(m_size.height()), 8, PNG_COLOR_TYPE_RGB,
            PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        // Fast settings, like the browser's own fast PNG: the pixels are the same either way.
        png_set_compression_level(m_png, 1);
        png_set_filter(m_png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
        png_write_info(m_png, m_info);
        return true;
    }

    bool writeRows(const QImage& rgb)
    {
        if (setjmp(png_jmpbuf(m_png)))
            return false;
        for (int y = 0; y < rgb.height(); ++y)
            png_write_row(m_png, const_cast<png_bytep>(rgb.constScanLine(y)));
        return true;
    }

    bool end()
    {
        if (setjmp(png_jmpbuf(m_png)))
            return false;
        png_write_end(m_png, nullptr);
        return true;
    }

    QSize m_size;
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
    QByteArray m_out;
    int m_rows = 0;
    bool m_ok = false;
};

struct JpegError
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void jpegFail(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

class JpegBandEncoder : public BandEncoder
{
public:
    JpegBandEncoder(QSize size, int quality)
        : m_size(size)
    {
        m_info.err = jpeg_std_error(&m_error.base);
        m_error.base.error_exit = jpegFail;
        m_ok = start(quality);
    }

    ~JpegBandEncoder() override
    {
        jpeg_destroy_compress(&m_info);
        std::free(m_buffer);
    }

    qm::Result<void> addBand(const QImage& band) override
    {
        if (!m_ok)
            return qm::fail(qm::Error::Code::Io, QStringLiteral("The JPEG encoder failed"));
        const QImage rgb = band.convertToFormat(QImage::Format_RGB888);
        if (rgb.width() != m_size.width() || m_rows + rgb.height() > m_size.height())
            return qm::fail(qm::Error::Code::Unsupported, QStringLiteral("A band does not fit the picture"));
        if (!writeRows(rgb)) {
            m_ok = false;
            return qm::fail(qm::Error::Code::Io, QStringLiteral("The JPEG encoder failed"));
        }
        m_rows += rgb.height();
        return {};
    }

    qm::Result<QByteArray> finish() override
    {
        if (!m_ok || m_rows != m_size.height() || !end())
            return qm::fail(qm::Error::Code::Io, QStringLiteral("The JPEG encoder failed"));
        return QByteArray(reinterpret_cast<const char*>(m_buffer), qsizetype(m_length));
    }

private:
    bool start(int quality)
    {
        if (setjmp(m_error.jump))
            return false;
        jpeg_create_compress(&m_info);
        jpeg_mem_dest(&m_info, &m_buffer, &m_length);
        m_info.image_width = JDIMENSION(m_size.width());
        m_info.image_height = JDIMENSION(m_size.height());
        m_info.input_components = 3;
        m_info.in_color_space = JCS_RGB;
        jpeg_set_defaults(&m_info);
        jpeg_set_quality(&m_info, std::clamp(quality, 0, 100), TRUE);
        jpeg_start_compress(&m_info, TRUE);
        return true;
    }

    bool writeRows(const QImage& rgb)
    {
        if (setjmp(m_error.jump))
            return false;
        for (int y = 0; y < rgb.height(); ++y) {
            JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(y));
            jpeg_write_scanlines(&m_info, &row, 1);
        }
        return true;
    }

    bool end()
    {
        if (setjmp(m_error.jump))
            return false;
        jpeg_finish_compress(&m_info);
        return true;
    }

    QSize m_size;
    jpeg_compress_struct m_info {};
    JpegError m_error {};
    unsigned char* m_buffer = nullptr;
    unsigned long m_length = 0;
    int m_rows = 0;
    bool m_ok = false;
};

} // namespace

std::unique_ptr<BandEncoder> MakePngBandEncoder(QSize size)
{
    return std::make_unique<PngBandEncoder>(size);
}

std::unique_ptr<BandEncoder> MakeJpegBandEncoder(QSize size, int quality)
{
    return std::make_unique<JpegBandEncoder>(size, quality);
}

} // namespace qm
