#include "settings/IniDocument.h"

#include "settings/TextLines.h"

namespace qm {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QString trimmedName(const QString& name)
{
    qsizetype begin = 0;
    qsizetype end = name.size();
    while (begin < end && (name[begin] == u' ' || name[begin] == u'\t'))
        ++begin;
    while (end > begin && (name[end - 1] == u' ' || name[end - 1] == u'\t'))
        --end;
    return name.mid(begin, end - begin);
}

bool holdsLineBreakOrNul(const QString& text)
{
    return text.contains(u'\r') || text.contains(u'\n') || text.contains(QChar(0));
}

} // namespace

IniDocument::IniDocument(QByteArray bytes)
    : m_bytes(std::move(bytes))
{
    index();
}

void IniDocument::index()
{
    m_lines.clear();
    const QByteArrayView all(m_bytes);
    const qsizetype bom = text::BomLength(all);
    for (const text::LineSpan& span : text::SplitLines(all.sliced(bom))) {
        Line line;
        line.start = span.start + bom;
        line.length = span.length;
        line.endLength = span.endLength;
        const qsizetype end = line.start + line.length;
        qsizetype p = line.start;
        // Blanks, and byte-order marks left where files were joined, do not hide a header or key.
        while (p < end) {
            if (isBlank(m_bytes[p]))
                ++p;
            else if (text::BomLength(all.sliced(p, end - p)) > 0)
                p += text::BomLength(all.sliced(p, end - p));
            else
                break;
        }
        if (p < end && m_bytes[p] == '[') {
            const qsizetype close = all.sliced(p + 1, end - p - 1).indexOf(']');
            if (close >= 0) {
                line.kind = Kind::Section;
                line.nameStart = p + 1;
                line.nameLength = close;
            }
        } else if (p < end && m_bytes[p] != ';' && m_bytes[p] != '#') {
            const qsizetype equals = all.sliced(p, end - p).indexOf('=');
            if (equals > 0) {
                line.kind = Kind::Key;
                line.nameStart = p;
                line.nameLength = equals;
                line.valueStart = p + equals + 1;
            }
        }
        m_lines.append(line);
    }
}

bool IniDocument::nameMatches(const Line& line, const QString& wanted) const
{
    const QByteArrayView name = QByteArrayView(m_bytes).sliced(line.nameStart, line.nameLength);
    return trimmedName(text::DecodeLine(name)).compare(wanted, Qt::CaseInsensitive) == 0;
}

qsizetype IniDocument::findSection(const QString& section) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Kind::Section && nameMatches(m_lines[i], section))
            return i;
    }
    return -1;
}

qsizetype IniDocument::findKey(qsizetype header, const QString& key) const
{
    for (qsizetype i = header + 1; i < m_lines.size() && m_lines[i].kind != Kind::Section; ++i) {
        if (m_lines[i].kind == Kind::Key && nameMatches(m_lines[i], key))
            return i;
    }
    return -1;
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const
{
    const qsizetype header = findSection(trimmedName(section));
    if (header < 0)
        return std::nullopt;
    const qsizetype at = findKey(header, trimmedName(key));
    if (at < 0)
        return std::nullopt;
    const Line& line = m_lines[at];
    QByteArrayView raw = QByteArrayView(m_bytes).sliced(line.valueStart, line.start + line.length - line.valueStart);
    const qsizetype nul = raw.indexOf('\0');
    if (nul >= 0)
        raw = raw.first(nul);
    while (!raw.isEmpty() && raw.front() == ' ')
        raw = raw.sliced(1);
    while (!raw.isEmpty() && raw.back() == ' ')
        raw.chop(1);
    return text::DecodeLine(raw);
}

void IniDocument::insertLine(qsizetype at, const QByteArray& content)
{
    const QByteArray lineEnd = text::LineEndOf(m_bytes, "\n").toByteArray();
    qsizetype offset = m_bytes.size();
    QByteArray piece = content + lineEnd;
    if (at < m_lines.size()) {
        offset = m_lines[at].start;
    } else if (!m_lines.isEmpty() && m_lines.back().endLength == 0) {
        // The last line had no line end; give it one before adding below it.
        piece.prepend(lineEnd);
    }
    m_bytes.insert(offset, piece);
}

IniDocument::SetOutcome IniDocument::setValue(const QString& section, const QString& key, const QString& value)
{
    const QString wantedSection = trimmedName(section);
    const QString wantedKey = trimmedName(key);
    if (wantedSection.isEmpty() || wantedSection.contains(u']') || holdsLineBreakOrNul(section))
        return SetOutcome::BadSection;
    if (wantedKey.isEmpty() || wantedKey.contains(u'=') || holdsLineBreakOrNul(key) || wantedKey.startsWith(u'[')
        || wantedKey.startsWith(u';') || wantedKey.startsWith(u'#'))
        return SetOutcome::BadKey;
    if (holdsLineBreakOrNul(value))
        return SetOutcome::BadValue;

    const QByteArray newValue = value.toUtf8();
    const qsizetype header = findSection(wantedSection);
    if (header < 0) {
        insertLine(m_lines.size(), '[' + wantedSection.toUtf8() + ']');
        index();
        insertLine(m_lines.size(), key.toUtf8() + '=' + newValue);
    } else if (const qsizetype at = findKey(header, wantedKey); at >= 0) {
        // Keep the key as it was spelt; only the value changes.
        const Line& line = m_lines[at];
        const qsizetype end = line.start + line.length;
        if (QByteArrayView(m_bytes).sliced(line.valueStart, end - line.valueStart) == newValue)
            return SetOutcome::Unchanged;
        m_bytes.replace(line.valueStart, end - line.valueStart, newValue);
    } else {
        // After the section's last non-blank line, so blank lines before the next section stay there.
        qsizetype after = header;
        for (qsizetype i = header + 1; i < m_lines.size() && m_lines[i].kind != Kind::Section; ++i) {
            const Line& line = m_lines[i];
            const QByteArrayView content = QByteArrayView(m_bytes).sliced(line.start, line.length);
            if (!content.trimmed().isEmpty())
                after = i;
        }
        insertLine(after + 1, key.toUtf8() + '=' + newValue);
    }
    index();
    return SetOutcome::Changed;
}

} // namespace qm
