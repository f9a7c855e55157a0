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

std::optional<QByteArray> AsUtf8Text(QByteArrayView bytes)
{
    QByteArray text;
    const bool littleEndian = bytes.startsWith("\xFF\xFE");
    if (littleEndian || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(
            littleEndian ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE, QStringDecoder::Flag::Stateless);
        const QString decoded = utf16(bytes.sliced(2));
        if (utf16.hasError() || bytes.size() % 2 != 0)
            return std::nullopt;
        text = decoded.toUtf8();
    } else {
        text = bytes.toByteArray();
    }
    qsizetype controls = 0;
    for (const char c : std::as_const(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0)
            return std::nullopt;
        // Tab, line ends, form feed and the old end-of-file mark are at home in text.
        if ((byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\f' && byte != 0x1A)
            || byte == 0x7F)
            ++controls;
    }
    if (controls * 10 > text.size())
        return std::nullopt;
    return text;
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
