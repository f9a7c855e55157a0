#include <QImage>
#include <QtEndian>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "capture/PngBandJoiner.h"

namespace qm {
namespace {

void AppendChunk(QByteArray& png, const char* type, const QByteArray& data)
{
    uchar length[4];
    qToBigEndian(quint32(data.size()), length);
    png.append(reinterpret_cast<const char*>(length), 4);
    const qsizetype typeAt = png.size();
    png.append(type, 4).append(data);
    uchar crc[4];
    qToBigEndian(
        quint32(crc32(0, reinterpret_cast<const Bytef*>(png.constData() + typeAt), uInt(4 + data.size()))), crc);
    png.append(reinterpret_cast<const char*>(crc), 4);
}

// A PNG of `image` with every row filtered by `filter` (0-4, as the format numbers them) and compressed at
// `level`: level 0 gives stored blocks, the others blocks of either Huffman kind.
QByteArray Png(const QImage& image, bool alpha, int filter, int level)
{
    const QImage pixels = image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    const int bpp = alpha ? 4 : 3;
    const qsizetype width = qsizetype(pixels.width()) * bpp;
    QByteArray raw;
    for (int y = 0; y < pixels.height(); ++y) {
        const uchar* row = pixels.constScanLine(y);
        const uchar* up = y > 0 ? pixels.constScanLine(y - 1) : nullptr;
        raw.append(char(filter));
        for (qsizetype i = 0; i < width; ++i) {
            const int a = i >= bpp ? row[i - bpp] : 0;
            const int b = up ? up[i] : 0;
            const int c = up && i >= bpp ? up[i - bpp] : 0;
            const int p = a + b - c;
            const int paeth = std::abs(p - a) <= std::abs(p - b) && std::abs(p - a) <= std::abs(p - c)
                ? a
                : (std::abs(p - b) <= std::abs(p - c) ? b : c);
            const int predicted[] = { 0, a, b, (a + b) / 2, paeth };
            raw.append(char(row[i] - predicted[filter]));
        }
    }
    QByteArray compressed(qsizetype(compressBound(uLong(raw.size()))), '\0');
    uLongf size = uLongf(compressed.size());
    compress2(reinterpret_cast<Bytef*>(compressed.data()), &size, reinterpret_cast<const Bytef*>(raw.constData()),
        uLong(raw.size()), level);
    compressed.truncate(qsizetype(size));
    QByteArray header(13, '\0');
    qToBigEndian(quint32(pixels.width()), header.data());
    qToBigEndian(quint32(pixels.height()), header.data() + 4);
    header[8] = 8;
    header[9] = alpha ? 6 : 2;
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    AppendChunk(png, "IHDR", header);
    AppendChunk(png, "IDAT", compressed);
    AppendChunk(png, "IEND", {});
    return png;
}

// Whether the file's compressed rows end as a zlib stream should, checksum included (the Qt reader stops
// at the last row and reads no further).
bool StreamEndsWhole(const QByteArray& png)
{
    QByteArray zlib;
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const qsizetype length = qFromBigEndian<quint32>(png.constData() + at);
        if (png.mid(at + 4, 4) == "IDAT")
            zlib.append(png.mid(at + 8, length));
        at += 12 + length;
    }
    z_stream stream {};
    inflateInit(&stream);
    stream.next_in = reinterpret_cast<Bytef*>(zlib.data());
    stream.avail_in = uInt(zlib.size());
    std::vector<Bytef> sink(1 << 16);
    int result = Z_OK;
    while (result == Z_OK) {
        stream.next_out = sink.data();
        stream.avail_out = uInt(sink.size());
        result = inflate(&stream, Z_NO_FLUSH);
    }
    inflateEnd(&stream);
    return result == Z_STREAM_END && stream.avail_in == 0;
}

// Noise over smooth gradients: mostly literals, so a band's rows fill several blocks.
QImage Picture(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    quint32 state = quint32(seed) * 2654435761u + 1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const int noise = (x / 16 + y / 8) % 3 == 0 ? int(state >> 24) : int(state >> 30);
            image.setPixel(x, y, qRgb((x * 3 + seed * 40) & 255, (y + noise) & 255, (x + y + noise * 5) & 255));
        }
    return image;
}

struct Band
{
    int filter;
    int level;
    bool alpha = false;
};

TEST(PngBandJoiner, JoinedBandsReadBackAsTheWholePicture)
{
    constexpr int width = 200; // rows of 601 bytes: the first blocks of a band hold about a window
    const struct
    {
        const char* name;
        std::vector<Band> bands;
        int recompressed;
    } cases[] = {
        // The browser's way: every row filtered against the one above, fast compression.
        { "up-filtered bands", { { 2, 1 }, { 2, 1 }, { 2, 1 } }, 0 },
        { "Paeth and average below others", { { 4, 6 }, { 4, 9 }, { 3, 1 } }, 0 },
        { "rows that stand alone", { { 1, 1 }, { 0, 9 }, { 1, 6 } }, 0 },
        // Stored blocks taken over whole are fine; moved by a part of a byte they would be misread.
        { "stored blocks", { { 1, 0 }, { 0, 0 }, { 2, 0 } }, -1 },
        { "a band in another pixel format", { { 2, 1 }, { 2, 1, true }, { 2, 1 } }, 1 },
        { "an alpha picture", { { 2, 1, true }, { 2, 1, true } }, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int heights[] = { 150, 97, 230 };
        int total = 0;
        for (size_t i = 0; i < c.bands.size(); ++i)
            total += heights[i];
        PngBandJoiner joiner(QSize(width, total));
        QImage expected(width, total, QImage::Format_RGB32);
        int row = 0;
        for (size_t i = 0; i < c.bands.size(); ++i) {
            const QImage band = Picture(width, heights[i], int(i) + 1);
            for (int y = 0; y < band.height(); ++y)
                std::memcpy(expected.scanLine(row + y), band.constScanLine(y), size_t(width) * 4);
            const auto added
                = joiner.addBand(Png(band, c.bands[i].alpha, c.bands[i].filter, c.bands[i].level), heights[i]);
            ASSERT_TRUE(added) << added.error().message.toStdString();
            row += heights[i];
        }
        const auto file = joiner.finish();
        ASSERT_TRUE(file) << file.error().message.toStdString();
        const QImage joined = QImage::fromData(*file, "PNG");
        ASSERT_EQ(joined.size(), expected.size());
        EXPECT_TRUE(joined.convertToFormat(QImage::Format_RGB32) == expected);
        EXPECT_TRUE(StreamEndsWhole(*file));
        if (c.recompressed >= 0)
            EXPECT_EQ(joiner.recompressedBands(), c.recompressed);
        else
            EXPECT_LT(joiner.recompressedBands(), int(c.bands.size()));
    }
}

TEST(PngBandJoiner, RefusesBandsThatDoNotFit)
{
    const QByteArray band = Png(Picture(40, 30, 1), false, 2, 1);
    PngBandJoiner tooShort(QSize(40, 50));
    ASSERT_TRUE(tooShort.addBand(band, 30));
    EXPECT_FALSE(tooShort.addBand(band, 30)); // past the bottom
    EXPECT_FALSE(tooShort.finish()); // rows missing

    PngBandJoiner other(QSize(40, 60));
    EXPECT_FALSE(other.addBand(band, 20)); // the band has 30 rows
    EXPECT_FALSE(other.addBand(QByteArray("not a picture"), 30));
    EXPECT_FALSE(other.addBand(Png(Picture(41, 30, 1), false, 2, 1), 30));
}

} // namespace
} // namespace qm
