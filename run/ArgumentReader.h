#pragma once

#include <QCommandLineParser>

#include "platform/Error.h"
#include "run/OptionTable.h"

namespace qm::run {

// A command's arguments read by the options the table gives it.
class ArgumentReader
{
public:
    explicit ArgumentReader(Command command);

    // `arguments` are those after the command's name. Refuses an unknown option, a flag with a value
    // and a missing or blank value, naming the option.
    Result<void> read(const QStringList& arguments);

    // By the long name without its dashes: "out".
    bool isSet(const QString& name) const { return m_parser.isSet(name); }
    QString value(const QString& name) const { return m_parser.value(name); } // the last one given
    QStringList values(const QString& name) const { return m_parser.values(name); }
    QStringList positional() const { return m_parser.positionalArguments(); }
    Command command() const { return m_command; }

private:
    Command m_command;
    QCommandLineParser m_parser;
    QList<const OptionSpec*> m_options;
};

} // namespace qm::run
