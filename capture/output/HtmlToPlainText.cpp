#include "capture/output/HtmlToPlainText.h"

#include <QHash>
#include <QStringView>
#include <optional>
#include <utility>

namespace qm {

namespace {

const QHash<QString, QString>& entityTable()
{
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> t {
            { QStringLiteral("amp"), QStringLiteral("&") },
            { QStringLiteral("quot"), QStringLiteral("\"") },
            { QStringLiteral("apos"), QStringLiteral("'") },
            { QStringLiteral("lt"), QStringLiteral("<") },
            { QStringLiteral("gt"), QStringLiteral(">") },
        };
        // The Latin-1 names, in the order of their characters from U+00A0 (nbsp) to U+00FF (yuml).
        static const char* const latin1[] = { "nbsp", "iexcl", "cent", "pound", "curren", "yen", "brvbar", "sect",
            "uml", "copy", "ordf", "laquo", "not", "shy", "reg", "macr", "deg", "plusmn", "sup2", "sup3", "acute",
            "micro", "para", "middot", "cedil", "sup1", "ordm", "raquo", "frac14", "frac12", "frac34", "iquest",
            "Agrave", "Aacute", "Acirc", "Atilde", "Auml", "Aring", "AElig", "Ccedil", "Egrave", "Eacute", "Ecirc",
            "Euml", "Igrave", "Iacute", "Icirc", "Iuml", "ETH", "Ntilde", "Ograve", "Oacute", "Ocirc", "Otilde", "Ouml",
            "times", "Oslash", "Ugrave", "Uacute", "Ucirc", "Uuml", "Yacute", "THORN", "szlig", "agrave", "aacute",
            "acirc", "atilde", "auml", "aring", "aelig", "ccedil", "egrave", "eacute", "ecirc", "euml", "igrave",
            "iacute", "icirc", "iuml", "eth", "ntilde", "ograve", "oacute", "ocirc", "otilde", "ouml", "divide",
            "oslash", "ugrave", "uacute", "ucirc", "uuml", "yacute", "thorn", "yuml" };
        char16_t code = 0x00A0;
        for (const char* name : latin1)
            t.insert(QString::fromLatin1(name), QString(QChar(code++)));
        // A no-break space is written as a plain one, as text files have always had it.
        t.insert(QStringLiteral("nbsp"), QStringLiteral(" "));
        // Typography pages write by name more than any other.
        const std::pair<const char*, char16_t> more[] = { { "ndash", 0x2013 }, { "mdash", 0x2014 }, { "lsquo", 0x2018 },
            { "rsquo", 0x2019 }, { "sbquo", 0x201A }, { "ldquo", 0x201C }, { "rdquo", 0x201D }, { "bdquo", 0x201E },
            { "bull", 0x2022 }, { "hellip", 0x2026 }, { "euro", 0x20AC }, { "trade", 0x2122 }, { "larr", 0x2190 },
            { "rarr", 0x2192 }, { "minus", 0x2212 }, { "thinsp", 0x2009 }, { "ensp", 0x2002 }, { "emsp", 0x2003 },
            { "zwnj", 0x200C }, { "zwj", 0x200D } };
        for (const auto& [name, character] : more)
            t.insert(QString::fromLatin1(name), QString(QChar(character)));
        return t;
    }();
    return table;
}

// "#233" or "#x1F642" as the character it numbers; nothing when it is not a number. Like a browser, a
// number outside Unicode, a surrogate or zero gives U+FFFD rather than losing the place.
std::optional<QString> numericCharacter(QStringView name)
{
    if (name.size() < 2 || name.front() != u'#')
        return std::nullopt;
    const bool hex = name[1] == u'x' || name[1] == u'X';
    const QStringView digits = name.sliced(hex ? 2 : 1);
    if (digits.isEmpty() || digits.size() > 8)
        return std::nullopt;
    bool ok = false;
    const uint code = digits.toUInt(&ok, hex ? 16 : 10);
    if (!ok || digits.front() == u'+' || digits.front() == u'-')
        return std::nullopt;
    const bool valid = code != 0 && code <= 0x10FFFF && !QChar::isSurrogate(code);
    const char32_t character = valid ? char32_t(code) : U'\uFFFD';
    return QString::fromUcs4(&character, 1);
}

QString tagReplacement(QStringView tag)
{
    const QString lower = tag.toString().toLower();
    if (lower == u"p" || lower == u"/div")
        return QStringLiteral("\r\n\r\n");
    if (lower == u"br" || lower == u"/tr" || lower == u"/pre")
        return QStringLiteral("\r\n");
    if (lower == u"/td")
        return QStringLiteral("|");
    return {};
}

QStringView bodyOf(const QString& html)
{
    const qsizetype body = html.indexOf(u"<body", 0, Qt::CaseInsensitive);
    if (body < 0)
        return html;
    const qsizetype tagEnd = html.indexOf(u'>', body);
    if (tagEnd < 0)
        return {};
    QStringView rest = QStringView(html).sliced(tagEnd + 1);
    const qsizetype end = rest.indexOf(u"</body>", 0, Qt::CaseInsensitive);
    return end >= 0 ? rest.first(end) : rest;
}

// The first occurrence of a character at or after `from`, for a pass that only moves forward: a found
// position stays the answer until the pass goes beyond it, and a miss stays a miss. This keeps text with
// many "<" and no ">" linear.
class ForwardFinder
{
public:
    ForwardFinder(QStringView text, QChar c)
        : m_text(text)
        , m_char(c)
    {
    }
    qsizetype next(qsizetype from)
    {
        if (!m_none && m_found < from) {
            m_found = m_text.indexOf(m_char, from);
            m_none = m_found < 0;
        }
        return m_none ? -1 : m_found;
    }

private:
    QStringView m_text;
    QChar m_char;
    qsizetype m_found = -1;
    bool m_none = false;
};

} // namespace

QString HtmlToPlainText(const QString& html)
{
    const QStringView in = bodyOf(html);
    const qsizetype size = in.size();
    const QHash<QString, QString>& entities = entityTable();
    ForwardFinder closeTag(in, u'>');
    ForwardFinder semicolon(in, u';');
    ForwardFinder space(in, u' ');

    QString out;
    out.reserve(size);
    qsizetype i = 0;
    const auto skipSpaces = [&] {
        while (i < size && in[i] == u' ')
            ++i;
    };
    while (i < size) {
        const QChar c = in[i];
        if (c == u' ') {
            out += u' ';
            ++i;
            skipSpaces();
        } else if (c == u'\r' || c == u'\n') {
            out += u' ';
            ++i;
            if (i < size && in[i] == u'\n')
                ++i;
            skipSpaces();
        } else if (c == u'<') {
            const qsizetype end = closeTag.next(i + 1);
            if (end < 0) {
                ++i; // an unclosed "<" is dropped
            } else {
                out += tagReplacement(in.sliced(i + 1, end - i - 1));
                i = end + 1;
            }
        } else if (c == u'&') {
            const qsizetype end = semicolon.next(i + 1);
            const qsizetype blank = space.next(i + 1);
            if (end < 0 || (blank >= 0 && blank < end)) {
                out += u'&';
                ++i;
            } else {
                const QStringView name = in.sliced(i + 1, end - i - 1);
                constexpr qsizetype longestName = 10;
                const auto found = name.size() <= longestName ? entities.constFind(name.toString()) : entities.cend();
                if (found != entities.cend())
                    out += *found;
                else if (const auto numbered = numericCharacter(name))
                    out += *numbered;
                else
                    out += in.sliced(i, end - i + 1);
                i = end + 1;
            }
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

} // namespace qm
