#include "batch/UrlListText.h"

#include "settings/TextLines.h"

namespace qm {

namespace {

bool breaksRow(const QString& text)
{
    return text.contains(u'\t') || text.contains(u'\r') || text.contains(u'\n');
}

} // namespace

QStringList ParseUrlList(QByteArrayView bytes)
{
    QStringList addresses;
    const QByteArrayView body = bytes.sliced(text::BomLength(bytes));
    for (const text::LineSpan& span : text::SplitLines(body)) {
        QByteArrayView line = body.sliced(span.start, span.length);
        const qsizetype tab = line.indexOf('\t');
        if (tab >= 0)
            line = line.first(tab);
        const QString address = text::WithoutLeadingBoms(text::DecodeLine(line));
        if (!address.trimmed().isEmpty())
            addresses.append(address);
    }
    return addresses;
}

QByteArray FormatUrlList(const QList<UrlListEntry>& rows)
{
    QByteArray bytes;
    for (const UrlListEntry& row : rows)
        bytes += row.address.toUtf8() + '\t' + row.format.toUtf8() + "\r\n";
    return bytes;
}

qsizetype FirstUnwritableRow(const QList<UrlListEntry>& rows)
{
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (breaksRow(rows[i].address) || breaksRow(rows[i].format))
            return i;
    }
    return -1;
}

} // namespace qm
