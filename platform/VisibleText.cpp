#include "platform/VisibleText.h"

namespace qm {

namespace {

bool Hidden(char32_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x2028 || c == 0x2029 || (c >= 0x202a && c <= 0x202e)
        || (c >= 0x2066 && c <= 0x2069);
}

} // namespace

QString VisibleText(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && !Hidden(text[i].unicode()))
        ++i;
    if (i == text.size())
        return text;
    QString out = text.first(i);
    out.reserve(text.size() + 16);
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (!Hidden(c))
            out += QChar(c);
        else if (c < 0x100)
            out += QStringLiteral("\\x%1").arg(unsigned(c), 2, 16, QLatin1Char('0'));
        else
            out += QStringLiteral("\\u%1").arg(unsigned(c), 4, 16, QLatin1Char('0'));
    }
    return out;
}

QByteArray TerminalSafeJson(const QByteArray& json)
{
    // In UTF-8 these characters are 7F, C2 80..9F, E2 80 A8..AE and E2 81 A6..A9. Outside strings JSON
    // holds none of them, so each becomes an escape inside its string.
    const auto byte = [&json](qsizetype at) { return at < json.size() ? quint8(json[at]) : quint8(0); };
    QByteArray out;
    out.reserve(json.size());
    for (qsizetype i = 0; i < json.size();) {
        char32_t c = 0;
        qsizetype length = 0;
        if (byte(i) == 0x7f) {
            c = 0x7f;
            length = 1;
        } else if (byte(i) == 0xc2 && byte(i + 1) >= 0x80 && byte(i + 1) <= 0x9f) {
            c = byte(i + 1);
            length = 2;
        } else if (byte(i) == 0xe2 && (byte(i + 1) == 0x80 || byte(i + 1) == 0x81) && (byte(i + 2) & 0xc0) == 0x80) {
            c = 0x2000 + ((byte(i + 1) & 0x3f) << 6) + (byte(i + 2) & 0x3f);
            length = Hidden(c) ? 3 : 0;
        }
        if (length == 0) {
            out += json[i++];
            continue;
        }
        out += QByteArray("\\u") + QByteArray::number(uint(c), 16).rightJustified(4, '0');
        i += length;
    }
    return out;
}

} // namespace qm
