#include "run/ArgumentReader.h"

#include <QRegularExpression>

namespace qm::run {

namespace {

Result<void> usage(const QString& message)
{
    return fail(Error::Code::Usage, message);
}

QString dashed(const QString& name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

} // namespace

ArgumentReader::ArgumentReader(Command command)
    : m_command(command)
    , m_options(ParsedOptionsOf(command))
{
    for (const OptionSpec* option : std::as_const(m_options))
        m_parser.addOption(QCommandLineOption(NamesOf(*option), QString(), QString::fromUtf8(option->value)));
}

Result<void> ArgumentReader::read(const QStringList& arguments)
{
    if (!m_parser.parse(QStringList { QStringLiteral("quillmark") } + arguments)) {
        if (!m_parser.unknownOptionNames().isEmpty())
            return usage(QStringLiteral("unknown option %1").arg(dashed(m_parser.unknownOptionNames().constFirst())));
        // The parser's own words name the argument as it was written: "Missing value after '--out'."
        const QString text = m_parser.errorText();
        const QString named = QRegularExpression(QStringLiteral("'(.*)'")).match(text).captured(1);
        if (text.startsWith(QLatin1String("Unexpected value")))
            return usage(QStringLiteral("%1 takes no value").arg(named));
        if (text.startsWith(QLatin1String("Missing value")))
            return usage(QStringLiteral("%1 needs a value").arg(named));
        return usage(text);
    }
    for (const OptionSpec* option : std::as_const(m_options)) {
        if (*option->value == '\0')
            continue;
        for (const QString& value : m_parser.values(NamesOf(*option).constLast())) {
            if (value.trimmed().isEmpty())
                return usage(QStringLiteral("%1 needs a value").arg(LongName(*option)));
        }
    }
    return {};
}

} // namespace qm::run
