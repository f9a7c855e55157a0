// Encodes one 1280 x 10,000 page in every picture format and applies both watermarks, timing each
// against ImageMagick's convert doing the same work on the same input in the same run.
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "capture/output/EncodePicture.h"
#include "capture/output/Watermarks.h"
#include "settings/SettingsSource.h"

namespace {

constexpr int kRuns = 3;

// A web page as a capture sees it: paragraphs of text, headings, coloured panels, photographs.
QImage MakePage(int width, int height)
{
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    QRandomGenerator random(7);
    QFont body(QStringLiteral("DejaVu Sans"));
    body.setPixelSize(15);
    QFont heading = body;
    heading.setPixelSize(30);
    heading.setBold(true);
    painter.fillRect(0, 0, width, 90, QColor(32, 56, 110));
    int y = 120;
    while (y < height - 200) {
        switch (random.bounded(4)) {
        case 0: { // photograph: smooth colours with fine noise
            QImage photo(520, 300, QImage::Format_RGB32);
            for (int py = 0; py < photo.height(); ++py)
                for (int px = 0; px < photo.width(); ++px) {
                    const int n = static_cast<int>(random.bounded(24));
                    photo.setPixel(px, py,
                        qRgb(std::min(255, px / 3 + n), std::min(255, 80 + py / 3 + n),
                            std::min(255, 160 - px / 5 + n)));
                }
            painter.drawImage(60 + static_cast<int>(random.bounded(500)), y, photo);
            y += 330;
            break;
        }
        case 1:
            painter.fillRect(40, y, width - 80, 160, QColor::fromHsv(static_cast<int>(random.bounded(360)), 40, 245));
            painter.setFont(heading);
            painter.setPen(QColor(20, 20, 20));
            painter.drawText(70, y + 60, QStringLiteral("Section heading %1").arg(y));
            y += 190;
            break;
        default:
            painter.setFont(body);
            painter.setPen(QColor(40, 40, 40));
            for (int line = 0; line < 12; ++line, y += 22)
                painter.drawText(60, y,
                    QStringLiteral(
                        "The quick brown fox jumps over the lazy dog; pack my box with five dozen liquor jugs. %1")
                        .arg(line));
            y += 20;
            break;
        }
    }
    return page;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double TimeMs(const std::function<bool()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!work()) {
            std::fprintf(stderr, "a run failed\n");
            return -1;
        }
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return Median(times);
}

bool RunConvert(const QString& convert, const QStringList& arguments)
{
    QProcess process;
    process.start(convert, arguments);
    // A benchmark may wait: nothing else runs here.
    if (!process.waitForFinished(300000) || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(convert), process.readAllStandardError().constData());
        return false;
    }
    return true;
}

double MeanAbsError(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size())
        return 255;
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            sum += std::abs(qRed(p[col]) - qRed(q[col])) + std::abs(qGreen(p[col]) - qGreen(q[col]))
                + std::abs(qBlue(p[col]) - qBlue(q[col]));
    }
    return sum / (3.0 * x.width() * x.height());
}

// Error after averaging 4 x 4 squares: what the eye sees of dithering.
double SeenError(const QImage& a, const QImage& b)
{
    auto average = [](const QImage& image) {
        return image.convertToFormat(QImage::Format_RGB32)
            .scaled(image.size() / 4, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
    return MeanAbsError(average(a), average(b));
}

int Colours(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    std::vector<QRgb> all;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        all.insert(all.end(), line, line + rgb.width());
    }
    std::sort(all.begin(), all.end());
    return static_cast<int>(std::unique(all.begin(), all.end()) - all.begin());
}

void Row(const char* what, double ours, qint64 ourSize, double theirs, qint64 theirSize)
{
    std::printf("%-12s %10.0f %12lld %10.0f %12lld %8.2f  %s\n", what, ours, static_cast<long long>(ourSize), theirs,
        static_cast<long long>(theirSize), ours / theirs, ours / theirs <= 1.5 ? "ok" : "SLOWER THAN 1.5x");
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString convert = qEnvironmentVariable("IMAGEMAGICK_CONVERT", QStringLiteral("/usr/bin/convert-im6.q16"));
    if (!QFileInfo(convert).isExecutable()) {
        std::fprintf(
            stderr, "ImageMagick's convert not found at %s; run bench/imaging/setup.sh\n", qPrintable(convert));
        return 2;
    }
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("page.bmp"));
    const QImage page = MakePage(1280, 10000);
    if (!qm::WritePictureFile(page, source, qm::PictureFormat::Bmp))
        return 1;
    std::printf("page 1280 x 10000, median of %d runs; both sides read page.bmp, encode and write\n", kRuns);
    std::printf("%-12s %10s %12s %10s %12s %8s\n", "format", "ours ms", "ours bytes", "IM ms", "IM bytes", "ratio");

    struct Format
    {
        const char* name;
        QStringList convertOptions;
    };
    const Format formats[] = {
        { "jpg", { QStringLiteral("-quality"), QStringLiteral("80") } },
        { "png", {} },
        { "gif", { QStringLiteral("-colors"), QStringLiteral("256") } },
        { "tiff",
            { QStringLiteral("-compress"), QStringLiteral("none"), QStringLiteral("-type"),
                QStringLiteral("TrueColor") } },
        { "bmp", { QStringLiteral("-type"), QStringLiteral("TrueColor") } },
    };
    for (const Format& f : formats) {
        const QString ours = dir.filePath(QStringLiteral("ours.") + QLatin1String(f.name));
        const QString theirs = dir.filePath(QStringLiteral("im.") + QLatin1String(f.name));
        const double ourMs = TimeMs([&] {
            const QImage image(source);
            return !image.isNull()
                && qm::EncodePicture(image, ours, QLatin1String(f.name), 80, 24, 6, nullptr).has_value();
        });
        const double theirMs = TimeMs(
            [&] { return RunConvert(convert, QStringList { source } + f.convertOptions + QStringList { theirs }); });
        Row(f.name, ourMs, QFileInfo(ours).size(), theirMs, QFileInfo(theirs).size());
        if (QLatin1String(f.name) == QLatin1String("gif")) {
            const QImage a(ours);
            const QImage b(theirs);
            std::printf("  gif colours: ours %d, IM %d; mean abs error per channel (0..255): ours %.2f, IM %.2f; "
                        "after 4x4 averaging: ours %.2f, IM %.2f\n",
                Colours(a), Colours(b), MeanAbsError(a, page), MeanAbsError(b, page), SeenError(a, page),
                SeenError(b, page));
        }
    }

    // Both watermarks: red text 40 px bottom right, a 300 x 120 logo with a magenta key, half opaque.
    QImage logo(300, 120, QImage::Format_RGB32);
    logo.fill(qRgb(255, 0, 255));
    QPainter(&logo).fillRect(20, 20, 260, 80, QColor(0, 90, 200));
    const QString logoPath = dir.filePath(QStringLiteral("logo.png"));
    (void)qm::WritePictureFile(logo, logoPath, qm::PictureFormat::Png);
    qm::FileSettings none(dir.filePath(QStringLiteral("missing.dat")));
    qm::OverriddenSettings settings(none);
    const QString w = QStringLiteral("watermark");
    settings.set(w, QStringLiteral("watertext"), QStringLiteral("Quillmark capture"));
    settings.set(w, QStringLiteral("twz"), QStringLiteral("3"));
    settings.set(w, QStringLiteral("Tx"), QStringLiteral("400"));
    settings.set(w, QStringLiteral("Ty"), QStringLiteral("100"));
    settings.set(w, QStringLiteral("Tsize"), QStringLiteral("30"));
    settings.set(w, QStringLiteral("Tfont"), QStringLiteral("DejaVu Sans"));
    settings.set(w, QStringLiteral("TQuality"), QStringLiteral("1"));
    settings.set(w, QStringLiteral("textcolor"), QStringLiteral("255"));
    settings.set(w, QStringLiteral("waterimage"), logoPath);
    settings.set(w, QStringLiteral("iwz"), QStringLiteral("0"));
    settings.set(w, QStringLiteral("Ix"), QStringLiteral("100"));
    settings.set(w, QStringLiteral("Iy"), QStringLiteral("100"));
    settings.set(w, QStringLiteral("Itransparency"), QStringLiteral("16711935"));
    settings.set(w, QStringLiteral("IDeviation"), QStringLiteral("0"));
    settings.set(w, QStringLiteral("IOpacity"), QStringLiteral("50"));
    const QString ours = dir.filePath(QStringLiteral("marked.bmp"));
    const QString theirs = dir.filePath(QStringLiteral("im-marked.bmp"));
    const double ourMs = TimeMs([&] {
        QImage picture(source);
        if (picture.isNull())
            return false;
        qm::ApplyTextWatermark(settings, picture);
        qm::ApplyImageWatermark(settings, picture);
        return qm::WritePictureFile(picture, ours, qm::PictureFormat::Bmp).has_value();
    });
    const double theirMs = TimeMs([&] {
        return RunConvert(convert,
            { source, QStringLiteral("-font"), QStringLiteral("DejaVu-Sans"), QStringLiteral("-pointsize"),
                QStringLiteral("30"), QStringLiteral("-fill"), QStringLiteral("red"), QStringLiteral("-gravity"),
                QStringLiteral("NorthWest"), QStringLiteral("-annotate"), QStringLiteral("+880+9900"),
                QStringLiteral("Quillmark capture"), QStringLiteral("("), logoPath, QStringLiteral("-transparent"),
                QStringLiteral("#FF00FF"), QStringLiteral("-channel"), QStringLiteral("A"), QStringLiteral("-evaluate"),
                QStringLiteral("multiply"), QStringLiteral("0.5"), QStringLiteral("+channel"), QStringLiteral(")"),
                QStringLiteral("-geometry"), QStringLiteral("+100+100"), QStringLiteral("-composite"),
                QStringLiteral("-type"), QStringLiteral("TrueColor"), theirs });
    });
    Row("watermarks", ourMs, QFileInfo(ours).size(), theirMs, QFileInfo(theirs).size());
    return 0;
}
