#include "capture/BandEncoder.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace qm {

namespace {

// libjpeg reports errors by longjmp; the jumps stay inside the small C-style functions below, which
// own no objects with destructors.

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

std::unique_ptr<BandEncoder> MakeJpegBandEncoder(QSize size, int quality)
{
    return std::make_unique<JpegBandEncoder>(size, quality);
}

} // namespace qm
