#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QStringList>

namespace qm {

// One row of a URL list file: the address and the output format shown beside it.
struct UrlListEntry
{
    QString address;
    QString format;
};

// The addresses of a URL list file's text: per line (CR LF, CR or LF; the last line may lack its end)
// the part before the first tab. Empty and blank lines are skipped, the rest loaded. UTF-8, or a
// single-byte code page for lines that are not UTF-8.
QStringList ParseUrlList(QByteArrayView bytes);

// The file's text: per row the address, a tab, the format, CR LF; UTF-8; an empty list is empty.
QByteArray FormatUrlList(const QList<UrlListEntry>& rows);

// The first row (0-based) whose address or format holds a tab or line break and so would not read
// back as one row; -1 when every row can be written.
qsizetype FirstUnwritableRow(const QList<UrlListEntry>& rows);

} // namespace qm
