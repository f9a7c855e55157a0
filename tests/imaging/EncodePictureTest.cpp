#include "capture/output/EncodePicture.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include "tests/imaging/PixelProbe.h"

namespace qm::test {
namespace {

class EncodePictureTest : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
    RecordingSink m_sink;
};

QImage Decode(const QString& path)
{
    QImageReader reader(path);
    return reader.read();
}

// The fields of a TIFF file's first directory: tag -> values.
std::map<int, std::vector<quint32>> TiffTags(const QByteArray& file)
{
    std::map<int, std::vector<quint32>> tags;
    if (file.size() < 8)
        return tags;
    const bool little = file.startsWith("II");
    const auto* data = reinterpret_cast<const uchar*>(file.constData());
    auto u16 = [&](qsizetype at) -> quint32 {
        return little ? qFromLittleEndian<quint16>(data + at) : qFromBigEndian<quint16>(data + at);
    };
    auto u32 = [&](qsizetype at) -> quint32 {
        return little ? qFromLittleEndian<quint32>(data + at) : qFromBigEndian<quint32>(data + at);
    };
    if (u16(2) != 42)
        return tags;
    const quint32 ifd = u32(4);
    const quint32 count = u16(ifd);
    for (quint32 i = 0; i < count; ++i) {
        const qsizetype entry = ifd + 2 + i * 12;
        const int tag = static_cast<int>(u16(entry));
        const quint32 type = u16(entry + 2);
        const quint32 n = u32(entry + 4);
        const int size = type == 3 ? 2 : 4; // SHORT or LONG
        qsizetype at = n * size <= 4 ? entry + 8 : u32(entry + 8);
        for (quint32 k = 0; k < n && k < 16; ++k, at += size)
            tags[tag].push_back(size == 2 ? u16(at) : u32(at));
    }
    return tags;
}

TEST_F(EncodePictureTest, JpegShrinksAsQualityFalls)
{
    const QImage page = MakePage(400, 600);
    qint64 previous = std::numeric_limits<qint64>::max();
    for (int quality : { 100, 90, 75, 50, 25, 0 }) {
        const QString file = path(QStringLiteral("q%1.jpg").arg(quality));
        ASSERT_TRUE(EncodePicture(page, file, QStringLiteral("jpg"), quality, 24, 6, &m_sink)) << quality;
        const qint64 size = QFileInfo(file).size();
        EXPECT_LT(size, previous) << "quality " << quality;
        previous = size;
        const QImage back = Decode(file);
        ASSERT_EQ(back.size(), page.size()) << quality;
        // Even quality 0 is a picture of the page, only coarser.
        EXPECT_LT(MeanAbsError(back, page), quality >= 50 ? 4.0 : 30.0) << quality;
    }
    EXPECT_TRUE(m_sink.errors.isEmpty());
}

TEST_F(EncodePictureTest, TiffIsUncompressedTwentyFourBit)
{
    const QImage page = MakePage(300, 200);
    const QString file = path(QStringLiteral("page.tiff"));
    ASSERT_TRUE(EncodePicture(page, file, QStringLiteral("tiff"), 80, 24, 6, &m_sink));
    auto tags = TiffTags(FileBytes(file));
    EXPECT_EQ(tags[256], std::vector<quint32> { 300 }); // width
    EXPECT_EQ(tags[257], std::vector<quint32> { 200 }); // height
    EXPECT_EQ(tags[258], (std::vector<quint32> { 8, 8, 8 })); // bits per sample
    EXPECT_EQ(tags[259], std::vector<quint32> { 1 }); // no compression
    EXPECT_EQ(tags[262], std::vector<quint32> { 2 }); // RGB
    EXPECT_EQ(tags[277], std::vector<quint32> { 3 }); // samples per pixel
    EXPECT_EQ(tags.count(338), 0u); // no extra (alpha) sample
    // Uncompressed: the file holds every pixel's three bytes.
    EXPECT_GE(QFileInfo(file).size(), 300 * 200 * 3);
    EXPECT_EQ(Decode(file).convertToFormat(QImage::Format_RGB32), page);
}

TEST_F(EncodePictureTest, GifHasAPaletteAndStaysCloseToThePage)
{
    const QImage page = MakePage(640, 900);
    const QString file = path(QStringLiteral("page.gif"));
    ASSERT_TRUE(EncodePicture(page, file, QStringLiteral("gif"), 55, 24, 6, &m_sink));
    const QImage back = Decode(file);
    ASSERT_EQ(back.size(), page.size());
    EXPECT_LE(DistinctColours(back), 256);
    // Mean absolute error per channel (0..255) of single pixels, and of 4 x 4 averages, which is what
    // the eye sees of dithering. The page's smooth gradients hold far more than 256 colours.
    EXPECT_LT(MeanAbsError(back, page), 9.0);
    EXPECT_LT(MeanAbsErrorSeen(back, page), 3.0);
    // Hard-edged blocks keep their colour.
    const QColor block = back.pixelColor(60, 60);
    EXPECT_NEAR(block.red(), 20, 2);
    EXPECT_NEAR(block.green(), 20, 2);
    EXPECT_NEAR(block.blue(), 160, 2);
}

TEST_F(EncodePictureTest, TallPagesUpToTheFormatsLimits)
{
    struct Case
    {
        const char* name;
        const char* format;
        int width;
        int height;
        bool written;
        const char* limit; // named in the message when refused
    };
    const Case cases[] = {
        { "tallest GIF", "gif", 4, 65535, true, "" },
        { "GIF one row too tall", "gif", 4, 65536, false, "65535" },
        { "GIF one column too wide", "gif", 65536, 2, false, "65535" },
        { "tallest JPEG", "jpg", 4, 65500, true, "" },
        { "JPEG one row too tall", "jpg", 4, 65501, false, "65500" },
        { "PNG beyond both", "png", 4, 70000, true, "" },
        { "tallest WebP", "webp", 4, 16383, true, "" },
        { "WebP one row too tall", "webp", 4, 16384, false, "16383" },
    };
    for (const Case& c : cases) {
        m_sink.errors.clear();
        const QString file = path(QStringLiteral("%1.%2").arg(QLatin1String(c.name), QLatin1String(c.format)));
        const QImage picture = MakePage(c.width, c.height);
        const auto result = EncodePicture(picture, file, QLatin1String(c.format), 90, 24, 6, &m_sink);
        EXPECT_EQ(result.has_value(), c.written) << c.name;
        EXPECT_EQ(QFileInfo::exists(file), c.written) << c.name;
        if (c.written) {
            const QImage back = Decode(file);
            ASSERT_EQ(back.size(), picture.size()) << c.name;
            // Four pixels wide, every column a hard edge: lossy colour subsampling smears them.
            const bool lossy
                = QLatin1String(c.format) == QLatin1String("jpg") || QLatin1String(c.format) == QLatin1String("webp");
            EXPECT_LE(MeanAbsError(back, picture), lossy ? 20.0 : 4.0) << c.name;
        } else {
            ASSERT_EQ(m_sink.errors.size(), 1) << c.name;
            EXPECT_TRUE(m_sink.errors[0].contains(QLatin1String(c.limit))) << c.name << ": " << m_sink.errors[0];
        }
    }
}

TEST_F(EncodePictureTest, ReplacesAnExistingFileAndLeavesNoTemporaryFiles)
{
    const QString file = path(QStringLiteral("page.png"));
    WriteBytes(file, QByteArray(100000, 'x'));
    ASSERT_TRUE(EncodePicture(Solid(20, 10, Qt::green), file, QStringLiteral("png"), 0, 24, 6, &m_sink));
    EXPECT_EQ(Decode(file).pixel(5, 5), QColor(Qt::green).rgb());
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("page.png") });
}

TEST_F(EncodePictureTest, UnwritableTargetSendsTheOneMessageAndKeepsTheOldFile)
{
    const QString folder = path(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString file = folder + QStringLiteral("/page.jpg");
    WriteBytes(file, "old");
    // A missing folder and a folder that is a file both refuse the write.
    for (const QString& target : { path(QStringLiteral("missing/page.jpg")), file + QStringLiteral("/page.jpg") }) {
        m_sink.errors.clear();
        const auto result = EncodePicture(MakePage(10, 10), target, QStringLiteral("jpg"), 80, 24, 6, &m_sink);
        ASSERT_FALSE(result) << target;
        EXPECT_EQ(result.error().code, Error::Code::Io);
        ASSERT_EQ(m_sink.errors.size(), 1) << target;
        const QString text = m_sink.errors[0];
        EXPECT_TRUE(text.startsWith(QStringLiteral("Error:Can't save Image File!!\r\n\r\nError Number:  "))) << text;
        EXPECT_TRUE(text.contains(QStringLiteral("\r\nError detail:  "))) << text;
        EXPECT_FALSE(QFileInfo::exists(target));
    }
    EXPECT_EQ(FileBytes(file), QByteArray("old"));
}

TEST_F(EncodePictureTest, NothingToWriteIsSilent)
{
    struct Case
    {
        const char* name;
        QImage picture;
        QString format;
    };
    const Case cases[] = {
        { "empty picture", QImage(), QStringLiteral("png") },
        { "unknown format", Solid(4, 4, Qt::red), QStringLiteral("avif") },
        { "format in capitals", Solid(4, 4, Qt::red), QStringLiteral("PNG") },
    };
    for (const Case& c : cases) {
        const QString file = path(QStringLiteral("out.png"));
        EXPECT_FALSE(EncodePicture(c.picture, file, c.format, 80, 24, 6, &m_sink)) << c.name;
        EXPECT_FALSE(QFileInfo::exists(file)) << c.name;
    }
    EXPECT_TRUE(m_sink.errors.isEmpty());
}

} // namespace
} // namespace qm::test
