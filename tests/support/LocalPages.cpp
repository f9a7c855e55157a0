#include "tests/support/LocalPages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

namespace qm::test {

QString WriteColourPage(const QString& path, const QColor& colour)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(QStringLiteral("<!doctype html><html><head><meta charset='utf-8'></head><body style='margin:0'>"
                              "<div style='height:900px;background:%1'>%2</div></body></html>")
                   .arg(colour.name(), QFileInfo(path).fileName().toHtmlEscaped())
                   .toUtf8());
    return path;
}

bool ShowsColour(const QString& path, const QColor& colour)
{
    const QImage image(path);
    if (image.isNull())
        return false;
    const QColor at = image.pixelColor(image.width() - 5, image.height() / 2);
    return std::abs(at.red() - colour.red()) < 12 && std::abs(at.green() - colour.green()) < 12
        && std::abs(at.blue() - colour.blue()) < 12;
}

} // namespace qm::test
