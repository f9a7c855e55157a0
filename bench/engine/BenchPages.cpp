#include "BenchPages.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QUrl>

namespace qm::bench {

namespace {

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

QByteArray paragraphs(int count)
{
    QByteArray html;
    for (int i = 0; i < count; ++i)
        html += "<p>Paragraph " + QByteArray::number(i)
            + ": the quick brown fox jumps over the lazy dog, again and again, until the line wraps "
              "and the reader has seen enough of it to know that the page is long.</p>";
    return html;
}

} // namespace

QList<BenchPage> WriteBenchPages(const QString& folder)
{
    const QString style
        = "<style>body{font-family:sans-serif;margin:8px}img{width:400px;height:300px;margin:4px}</style>";
    write(folder + "/short.html",
        ("<!doctype html><meta charset=utf-8>" + style + "<h1>Short page</h1>" + paragraphs(5)).toUtf8());
    write(folder + "/long.html",
        ("<!doctype html><meta charset=utf-8>" + style + "<h1>Long page</h1>").toUtf8() + paragraphs(160));

    QByteArray images = ("<!doctype html><meta charset=utf-8>" + style + "<h1>Images</h1>").toUtf8();
    QRandomGenerator random(7);
    for (int i = 0; i < 40; ++i) {
        QImage image(400, 300, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.fillRect(image.rect(), QColor::fromHsv((i * 37) % 360, 180, 220));
        for (int k = 0; k < 60; ++k)
            painter.fillRect(int(random.bounded(400)), int(random.bounded(300)), 40, 30,
                QColor::fromRgb(random.generate() | 0xff000000));
        painter.end();
        const QString name = QStringLiteral("image%1.png").arg(i);
        image.save(folder + "/" + name);
        images += "<img src='" + name.toUtf8() + "'>";
    }
    write(folder + "/images.html", images);

    QByteArray tall = "<!doctype html><style>body{margin:0}div{height:100px}</style>";
    for (int i = 0; i < 400; ++i)
        tall += QStringLiteral("<div style='background:rgb(%1,%2,%3)'>%4</div>")
                    .arg((i * 37) % 256)
                    .arg((i * 91) % 256)
                    .arg((i * 53) % 256)
                    .arg(i)
                    .toUtf8();
    write(folder + "/tall.html", tall);

    QList<BenchPage> pages;
    for (const char* name : { "short", "long", "images", "tall" })
        pages.append({ QString::fromLatin1(name), QUrl::fromLocalFile(folder + "/" + name + ".html").toString() });
    return pages;
}

} // namespace qm::bench
