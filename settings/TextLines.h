#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

namespace qm::text {

// One line of a text file: where its content starts, how long it is, and how long its line end is
// (0 for a last line without one, 1 for CR or LF, 2 for CR LF).
struct LineSpan
{
    qsizetype start = 0;
    qsizetype length = 0;
    qsizetype endLength = 0;
};

// Splits at CR LF, a lone CR or a lone LF. A last line without a line end counts; a final line end
// does not start another, empty line.
QList<LineSpan> SplitLines(QByteArrayView bytes);

// Bytes of a leading UTF-8 byte-order mark (3) or 0.
qsizetype BomLength(QByteArrayView bytes);

// A text file's bytes in UTF-8: UTF-16 with its byte-order mark (little or big endian) is converted, UTF-8
// and single-byte text pass as they are. nullopt when the bytes are not text (NUL bytes, or control
// characters in numbers no text file has): such a file is refused instead of read as junk lines.
std::optional<QByteArray> AsUtf8Text(QByteArrayView bytes);

// UTF-8 when the bytes are valid UTF-8, else Latin-1 (files written by older programs in a
// single-byte code page still read as text).
QString DecodeLine(QByteArrayView bytes);

// The line without the zero-width no-break spaces (byte-order marks) it starts with: editors leave
// them where files were joined, and at the start of a file one of them would vanish on the next read.
QString WithoutLeadingBoms(QString line);

// The line end a file already uses (taken from its first line end), for lines added to it.
QByteArrayView LineEndOf(QByteArrayView bytes, QByteArrayView fallback);

} // namespace qm::text
