// The capture pipeline end to end on real Chromium: every output format, watermarks, thumbnail, names.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QMimeDatabase>
#include <QTimer>

#include "capture/PageSettings.h"
#include "capture/output/EncodePicture.h"
#include "platform/Clock.h"
#include "settings/OutputFormatTable.h"
#include "tests/pipeline/PipelineFixture.h"
#include "tests/support/EventLoop.h"

namespace qm::test {
namespace {

QStringList Sorted(QStringList list)
{
    list.sort();
    return list;
}

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QString WatermarkPicture(const TempHome& home)
{
    QImage mark(120, 60, QImage::Format_RGB32);
    mark.fill(QColor(10, 200, 10));
    const QString path = home.file("mark.png");
    mark.save(path);
    return path;
}

void SetMarks(const TempHome& home, bool on)
{
    home.set("watermark", "textwatermark", on ? "1" : "0");
    home.set("watermark", "watertext", "QUILLMARK");
    home.set("watermark", "Tsize", "40");
    home.set("watermark", "textcolor", "255");
    home.set("watermark", "Twz", "0");
    home.set("watermark", "Tx", "300");
    home.set("watermark", "Ty", "300");
    home.set("watermark", "imagewatermark", on ? "1" : "0");
    home.set("watermark", "waterimage", WatermarkPicture(home));
    home.set("watermark", "Iwz", "0");
    home.set("watermark", "IOpacity", "100");
    home.set("watermark", "Ix", "40");
    home.set("watermark", "Iy", "600");
}

class EveryFormat : public ::testing::TestWithParam<OutputFormatRow>
{
};

// Every format the command line and the dialog offer makes one file whose content is of the type its
// name says, beside the thumbnail, with both watermarks applied.
TEST_P(EveryFormat, WritesOutputAndThumbnailWithBothWatermarksAndNothingElse)
{
    const OutputFormatRow& row = GetParam();
    TestServer server;
    server.page("/page", ColourPage("rgb(30,120,200)", 1500, "Hello pipeline"));
    TempHome home;
    const QString out = home.file("out");
    home.set("set", "outputfolder", out);
    home.set("set", "fileoption", "0");
    home.set("set", "filename", "page");
    home.set("set", "existedfile", "0");
    home.set("set", "outputformat", QString(row.name));
    home.set("set", "quality", "80");
    home.set("set", "Thumbnail", "1");
    home.set("set", "imagesize", "50");
    SetMarks(home, true);

    RealBatch batch(SharedPool(), home);
    batch.add(server.url("/page"));
    ASSERT_TRUE(batch.run());
    ASSERT_EQ(batch.statuses(), QStringList { "OK" }) << batch.list.reason(0).toStdString();
    ASSERT_EQ(batch.outcomes.size(), 1);
    const QString path = batch.outcomes[0].output.value_or("");
    const QFileInfo output(path);
    EXPECT_EQ(output.absolutePath(), out);
    EXPECT_EQ(output.completeBaseName(), "page");

    // The thumbnail is named after the intermediate BMP, for PDF and text too; no BMP, placeholder
    // or temporary file is left beside the output.
    EXPECT_EQ(FilesIn(out), Sorted({ output.fileName(), "page_Thumbnail.jpg" }));
    const QImage thumbnail(out + "/page_Thumbnail.jpg");
    EXPECT_EQ(thumbnail.size(), QSize(640, 750));

    const QMimeDatabase types;
    EXPECT_EQ(types.mimeTypeForFile(path, QMimeDatabase::MatchContent).name(),
        types.mimeTypeForFile(path, QMimeDatabase::MatchExtension).name());
    const QByteArray bytes = Read(path);
    if (row.kind == OutputKind::Pdf) {
        EXPECT_TRUE(bytes.startsWith("%PDF-"));
    } else if (row.kind == OutputKind::Text) {
        EXPECT_TRUE(bytes.contains("Hello pipeline")) << bytes.left(200).toStdString();
    } else {
        QImageReader reader(path);
        EXPECT_EQ(reader.size(), QSize(1280, 1500)) << reader.errorString().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, EveryFormat,
    ::testing::ValuesIn(OutputFormatRows().begin(), OutputFormatRows().end()),
    [](const auto& info) { return std::string(info.param.name.data(), size_t(info.param.name.size())); });

// Captures the page as BMP (lossless) with the marks on or off.
QImage CaptureBmp(TestServer& server, bool marks)
{
    TempHome home;
    home.set("set", "outputfolder", home.file("out"));
    home.set("set", "outputformat", "BMP");
    SetMarks(home, marks);
    RealBatch batch(SharedPool(), home);
    batch.add(server.url("/page"));
    EXPECT_TRUE(batch.run());
    EXPECT_EQ(batch.statuses(), QStringList { "OK" });
    return batch.outcomes.value(0).output ? QImage(*batch.outcomes[0].output) : QImage();
}

TEST(CapturePipeline, WatermarksChangeThePixelsWhereTheyAreAnchored)
{
    TestServer server;
    server.page("/page", ColourPage("rgb(30,120,200)", 1200));
    const QImage plain = CaptureBmp(server, false).convertToFormat(QImage::Format_RGB32);
    const QImage marked = CaptureBmp(server, true).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(plain.size(), QSize(1280, 1200));
    ASSERT_EQ(marked.size(), plain.size());
    // The image mark's green at its anchor, the page's blue outside both marks.
    EXPECT_EQ(QColor(marked.pixel(100, 630)).green(), 200);
    EXPECT_EQ(plain.pixel(100, 630), qRgb(30, 120, 200));
    EXPECT_EQ(marked.pixel(1200, 1100), plain.pixel(1200, 1100));
    int textPixels = 0;
    for (int y = 300; y < 360; ++y) {
        for (int x = 300; x < 700; ++x)
            textPixels += QColor(marked.pixel(x, y)).red() > 150 ? 1 : 0;
    }
    EXPECT_GT(textPixels, 200) << "the red text mark is missing";
}

// Captures /page in `format` at `quality` and decodes the output.
QImage CaptureAs(TestServer& server, const char* format, int quality, QByteArray* bytes = nullptr)
{
    TempHome home;
    home.set("set", "outputfolder", home.file("out"));
    home.set("set", "outputformat", format);
    home.set("set", "quality", QString::number(quality));
    RealBatch batch(SharedPool(), home);
    batch.add(server.url("/page"));
    EXPECT_TRUE(batch.run());
    EXPECT_EQ(batch.statuses(), QStringList { "OK" }) << batch.list.reason(0).toStdString();
    const QString path = batch.outcomes.value(0).output.value_or(QString());
    if (bytes)
        *bytes = Read(path);
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

TEST(CapturePipeline, WebpIsThePngsPictureLosslessAtQualityHundredAndLossyBelow)
{
    TestServer server;
    // Text and a gradient, so that a lossy encoder has something to lose.
    server.page("/page",
        "<!doctype html><body style='margin:0;height:2400px;background:linear-gradient(#fff,#39c)'>"
        "<h1 style='margin:0;font:40px sans-serif'>WebP and PNG</h1><p style='margin:0;font:14px serif'>The quick "
        "brown fox jumps over "
        "the lazy dog.</p></body>");
    const QImage png = CaptureAs(server, "PNG", 90);
    ASSERT_EQ(png.size(), QSize(1280, 2400));
    QByteArray lossless;
    const QImage exact = CaptureAs(server, "WEBP", 100, &lossless);
    EXPECT_TRUE(lossless.startsWith("RIFF") && lossless.mid(8, 8) == "WEBPVP8L") << lossless.left(16).toHex().data();
    EXPECT_EQ(exact, png) << "lossless WebP differs from the PNG";
    QByteArray lossy;
    const QImage coarse = CaptureAs(server, "WEBP", 60, &lossy);
    // Lossy: VP8 data, plain or in the extended layout, never the lossless kind.
    EXPECT_TRUE(lossy.mid(8, 7) == "WEBPVP8" && !lossy.contains("VP8L")) << lossy.left(16).toHex().data();
    ASSERT_EQ(coarse.size(), png.size());
    EXPECT_NE(coarse, png);
    EXPECT_LT(lossy.size(), lossless.size());
    // Lossy, yet the same page: the gradient's colours where they were.
    for (const QPoint at : { QPoint(600, 600), QPoint(40, 1500), QPoint(1200, 2300) }) {
        const QRgb a = coarse.pixel(at), b = png.pixel(at);
        EXPECT_LE(
            std::max({ std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b)) }),
            16)
            << at.x() << "," << at.y();
    }
}

// A tall page of noise: seconds of work for the GIF encoder.
QByteArray NoisePage(int height)
{
    return QStringLiteral(
        "<!doctype html><body style='margin:0'><canvas id=c width=1280 height=%1 "
        "style='display:block'></canvas><script>"
        "const c = document.getElementById('c').getContext('2d'); const d = c.createImageData(1280, %1);"
        "let x = 7; for (let i = 0; i < d.data.length; i++) { x = (x * 1103515245 + 12345) >>> 0;"
        "d.data[i] = (i & 3) == 3 ? 255 : x >>> 24; } c.putImageData(d, 0, 0);</script></body>")
        .arg(height)
        .toUtf8();
}

TEST(CapturePipeline, EncodingAPictureLeavesTheEventThreadFree)
{
    TestServer server;
    server.page("/page", NoisePage(9000));
    const QImage picture = CaptureAs(server, "PNG", 90);
    ASSERT_EQ(picture.size(), QSize(1280, 9000));
    // What encoding this picture costs here, now: the measure for the pauses below.
    TempHome scratch;
    QElapsedTimer encoding;
    encoding.start();
    ASSERT_TRUE(EncodePicture(picture, scratch.file("alone.gif"), QStringLiteral("gif"), 90, 24, 6, nullptr));
    const qint64 encodeMs = encoding.elapsed();

    TempHome home;
    home.set("set", "outputfolder", home.file("out"));
    home.set("set", "outputformat", "GIF");
    RealBatch batch(SharedPool(), home);
    batch.add(server.url("/page"));
    // The longest the event thread went without running a timer while the batch ran.
    QElapsedTimer sinceTick;
    qint64 longestPause = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { longestPause = std::max(longestPause, sinceTick.restart()); });
    sinceTick.start();
    ticker.start(5);
    ASSERT_TRUE(batch.run());
    ticker.stop();
    EXPECT_EQ(batch.statuses(), QStringList { "OK" }) << batch.list.reason(0).toStdString();
    EXPECT_EQ(QImage(batch.outcomes.value(0).output.value_or(QString())).size(), QSize(1280, 9000));
    EXPECT_LT(longestPause, encodeMs / 2) << "encoding alone took " << encodeMs << " ms";
}

struct NamingCase
{
    const char* name;
    QList<QPair<const char*, const char*>> settings; // section "set"
    QStringList present; // files there before, holding "old"
    QStringList expected; // the folder afterwards
    QStringList replaced; // of `present`, those that hold a new picture afterwards
};

class Naming : public ::testing::TestWithParam<NamingCase>
{
};

TEST_P(Naming, ChoosesTheNameAndLeavesOrReplacesWhatWasThere)
{
    const NamingCase& c = GetParam();
    TestServer server;
    server.page("/page", ColourPage("rgb(200,60,30)", 900));
    TempHome home;
    const QString out = home.file("out");
    QDir().mkpath(out);
    home.set("set", "outputfolder", out);
    home.set("set", "fileoption", "0");
    home.set("set", "filename", "x");
    home.set("set", "existedfile", "0");
    home.set("set", "outputformat", "JPG");
    for (const auto& [key, value] : c.settings)
        home.set("set", key, QString::fromUtf8(value).replace("@OUT@", out));
    const QString folder = QString(home.settingsPath()).section('/', 0, -2);
    QString target = out;
    for (const auto& [key, value] : c.settings) {
        if (QLatin1String(key) == "outputfolder" && (QLatin1String(value) == "0" || QLatin1String(value) == ""))
            target = folder;
    }
    for (const QString& name : c.present)
        Write(target + "/" + name, "old");

    RealBatch batch(SharedPool(), home);
    FixedClock clock(QDateTime(QDate(2026, 12, 6), QTime(21, 5, 9)));
    batch.conversion.setClock(clock);
    batch.add(server.url("/page"));
    ASSERT_TRUE(batch.run());
    ASSERT_EQ(batch.statuses(), QStringList { "OK" }) << batch.list.reason(0).toStdString();

    QStringList files = FilesIn(target);
    files.removeAll("settings.dat");
    files.removeAll("out");
    EXPECT_EQ(files, Sorted(c.expected));
    for (const QString& name : c.present)
        EXPECT_EQ(Read(target + "/" + name) == "old", !c.replaced.contains(name)) << name.toStdString();
    for (const QString& name : c.expected) {
        if (name.endsWith(".BMP") && !c.present.contains(name)) {
            EXPECT_TRUE(Read(target + "/" + name).startsWith("BM")) << name.toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, Naming,
    ::testing::Values(NamingCase { "custom_name_with_stamp_in_app_home",
                          { { "outputfolder", "0" }, { "filename", "webimage" }, { "datetime", "1" } }, {},
                          { "webimage120626210509.jpg" }, {} },
        NamingCase { "bmp_and_numbered_jpg_present", { { "Thumbnail", "1" }, { "imagesize", "10" } },
            { "x.BMP", "x_0.jpg" }, { "x.BMP", "x_0.jpg", "x_0_0.jpg", "x_0_Thumbnail.jpg" }, {} },
        NamingCase { "jpg_present_bmp_free", {}, { "x.jpg" }, { "x.jpg", "x_0.jpg" }, {} },
        NamingCase { "overwrite_replaces_output_and_thumbnail",
            { { "existedfile", "1" }, { "Thumbnail", "1" }, { "imagesize", "10" } }, { "x.jpg", "x_Thumbnail.jpg" },
            { "x.jpg", "x_Thumbnail.jpg" }, { "x.jpg", "x_Thumbnail.jpg" } },
        NamingCase { "lower_case_jpg_gives_bmp", { { "outputformat", "jpg" } }, {}, { "x.BMP" }, {} },
        NamingCase { "empty_folder_setting_is_app_home", { { "outputfolder", "" } }, {}, { "x.jpg" }, {} }),
    [](const auto& info) { return std::string(info.param.name); });

// The store as the settings dialog's OK during a page leaves it: "PNG" at the first read of the
// output format, "JPG" at every later one.
class FormatSwitchedMidPage : public SettingsSource
{
public:
    explicit FormatSwitchedMidPage(const SettingsSource& base)
        : m_base(base)
    {
    }
    QString read(const QString& section, const QString& key) const override
    {
        if (key.trimmed().compare(QLatin1String("outputformat"), Qt::CaseInsensitive) == 0)
            return m_formatReads++ == 0 ? QStringLiteral("PNG") : QStringLiteral("JPG");
        return m_base.read(section, key);
    }

private:
    const SettingsSource& m_base;
    mutable int m_formatReads = 0;
};

TEST(CapturePipeline, FormatSwitchedDuringAPageGivesAFileWhoseBytesMatchItsName)
{
    TempHome home;
    TestServer server;
    server.page("/page", ColourPage("#3366cc", 1500));
    home.set("set", "outputfolder", home.file("out"));
    home.set("set", "fileoption", "1");
    const FileSettings file(home.settingsPath());
    const FormatSwitchedMidPage settings(file);
    PageConversion conversion(SharedPool(), home.path());
    std::optional<PageOutcome> outcome;
    LoopRunner loop;
    conversion.convert(1, server.url("/page"), PageSettings::ReadFrom(settings), [&](PageOutcome o) {
        outcome = std::move(o);
        loop.done();
    });
    ASSERT_TRUE(loop.run(90s));
    ASSERT_TRUE(outcome.has_value());
    ASSERT_TRUE(outcome->output.has_value()) << outcome->output.error().message.toStdString();
    // The page keeps the format it started with: a PNG named .png, never PNG bytes in a .jpg.
    EXPECT_TRUE(outcome->output->endsWith(".png")) << outcome->output->toStdString();
    EXPECT_TRUE(Read(*outcome->output).startsWith("\x89PNG\r\n")) << outcome->output->toStdString();
}

} // namespace
} // namespace qm::test
