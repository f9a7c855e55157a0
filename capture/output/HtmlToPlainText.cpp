#include "capture/output/HtmlToPlainText.h"

#include <QHash>
#include <QStringView>

namespace qm {

namespace {

const QHash<QString, QString>& entityTable()
{
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> t {
            { QStringLiteral("amp"), QStringLiteral("&") },
            { QStringLiteral("quot"), QStringLiteral("\"") },
            { QStringLiteral("lt"), QStringLiteral("<") },
            { QStringLiteral("gt"), QStringLiteral(">") },
            { QStringLiteral("nbsp"), QStringLiteral(" ") },
            { QStringLiteral("brvbar"), QStringLiteral("|") },
            { QStringLiteral("yuml"), QString(QChar(0x00FF)) },
        };
        // The rest of the Latin-1 names (without shy; plus-minus under "plusm") stand for "?".
        static const char* const questionMarks[] = { "Auml", "auml", "iexcl", "cent", "pound", "curren", "yen", "sect",
            "uml", "copy", "ordf", "laquo", "not", "reg", "macr", "deg", "plusm", "sup2", "sup3", "acute", "micro",
            "para", "middot", "cedil", "sup1", "ordm", "raquo", "frac14", "frac12", "frac34", "iquest", "Agrave",
            "Aacute", "Acirc", "Atilde", "Aring", "AElig", "Ccedil", "Egrave", "Eacute", "Ecirc", "Euml", "Igrave",
            "Iacute", "Icirc", "Iuml", "ETH", "Ntilde", "Ograve", "Oacute", "Ocirc", "Otilde", "Ouml", "times",
            "Oslash", "Ugrave", "Uacute", "Ucirc", "Uuml", "Yacute", "THORN", "szlig", "agrave", "aacute", "acirc",
            "atilde", "aring", "aelig", "ccedil", "egrave", "eacute", "ecirc", "euml", "igrave", "iacute", "icirc",
            "iuml", "eth", "ntilde", "ograve", "oacute", "ocirc", "otilde", "ouml", "divide", "oslash", "ugrave",
            "uacute", "ucirc", "uuml", "yacute", "thorn" };
        for (const char* name : questionMarks)
            t.insert(QString::fromLatin1(name), QStringLiteral("?"));
        return t;
    }();
    return table;
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
                constexpr qsizetype longestName = 6;
                const auto found = name.size() <= longestName ? entities.constFind(name.toString()) : entities.cend();
                if (found != entities.cend())
                    out += *found;
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
