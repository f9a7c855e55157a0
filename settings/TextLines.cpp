#include "settings/TextLines.h"

#include <QStringDecoder>

namespace qm::text {

QList<LineSpan> SplitLines(QByteArrayView bytes)
{
    QList<LineSpan> lines;
    const qsizetype size = bytes.size();
    qsizetype start = 0;
    while (start < size) {
        qsizetype end = start;
        while (end < size && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        qsizetype endLength = 0;
        if (end < size)
            endLength = (bytes[end] == '\r' && end + 1 < size && bytes[end + 1] == '\n') ? 2 : 1;
        lines.append(LineSpan { start, end - start, endLength });
        start = end + endLength;
    }
    return lines;
}

qsizetype BomLength(QByteArrayView bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
}

QString DecodeLine(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

QString WithoutLeadingBoms(QString line)
{
    qsizetype count = 0;
    while (count < line.size() && line[count] == QChar(0xFEFF))
        ++count;
    line.remove(0, count);
    return line;
}

QByteArrayView LineEndOf(QByteArrayView bytes, QByteArrayView fallback)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n')
            return "\n";
        if (bytes[i] == '\r')
            return (i + 1 < bytes.size() && bytes[i + 1] == '\n') ? QByteArrayView("\r\n") : QByteArrayView("\r");
    }
    return fallback;
}

} // namespace qm::text
