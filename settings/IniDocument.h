#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace qm {

// The text of a settings file, kept byte for byte. Lookups match section and key names without
// regard to case and surrounding blanks; a change rewrites only the line of its key (or adds lines),
// so comments, unknown lines, other keys and odd bytes survive every write.
class IniDocument
{
public:
    explicit IniDocument(QByteArray bytes = {});

    // The value of the first matching key in the first matching section, trimmed of spaces (tabs
    // stay) and cut at a NUL; nullopt when the section or key is missing.
    std::optional<QString> value(const QString& section, const QString& key) const;

    enum class SetOutcome { Changed, Unchanged, BadSection, BadKey, BadValue };
    // Replaces the value in place, or adds the key (at the end of its section) or the section (at the
    // end of the file). Names and values that would not read back as written are refused.
    SetOutcome setValue(const QString& section, const QString& key, const QString& value);

    const QByteArray& bytes() const { return m_bytes; }

private:
    enum class Kind { Other, Section, Key };
    struct Line
    {
        Kind kind = Kind::Other;
        qsizetype start = 0;
        qsizetype length = 0;
        qsizetype endLength = 0;
        qsizetype nameStart = 0; // section name, or key name (untrimmed)
        qsizetype nameLength = 0;
        qsizetype valueStart = 0; // keys only: just after the '='
    };

    void index();
    bool nameMatches(const Line& line, const QString& wanted) const;
    // Index of the first section header matching `section`, or -1.
    qsizetype findSection(const QString& section) const;
    // Index of the first key line matching `key` in the section starting at `header`, or -1.
    qsizetype findKey(qsizetype header, const QString& key) const;
    void insertLine(qsizetype at, const QByteArray& content);

    QByteArray m_bytes;
    QList<Line> m_lines;
};

} // namespace qm
