#include "run/OptionDocs.h"

#include <QRegularExpression>

#include "capture/DevicePresets.h"
#include "settings/OutputFormatTable.h"

namespace qm::run {

namespace {

constexpr qsizetype HelpColumn = 22;
constexpr qsizetype HelpWidth = 100;

// `text` in lines of at most HelpWidth columns, the first after `head`, the others from `indent` on.
QString wrapped(const QString& head, const QString& text, qsizetype indent = HelpColumn)
{
    QString out = head.size() + 2 <= indent ? head.leftJustified(indent) : head + QStringLiteral("  ");
    qsizetype column = out.size();
    bool first = true;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (!first && column + 1 + word.size() > HelpWidth) {
            out += u'\n' + QString(indent, u' ');
            column = indent;
        } else if (!first) {
            out += u' ';
            ++column;
        }
        out += word;
        column += word.size();
        first = false;
    }
    return out + u'\n';
}

QString helpHead(const OptionSpec& option)
{
    const QStringList names = DashedNames(option);
    QString head = names.size() > 1 ? QStringLiteral("  %1, %2").arg(names[0], names[1])
                                    : QStringLiteral("      %1").arg(names[0]);
    if (*option.value)
        head += u' ' + QString::fromUtf8(option.value);
    return head;
}

Command firstCommandOf(const OptionSpec& option)
{
    for (Command command : AllCommands) {
        if (option.commands & unsigned(command))
            return command;
    }
    return Command::Convert;
}

// Text as a roff text line shows it.
QString roff(QString text)
{
    text.replace(u'\\', QLatin1String("\\e"))
        .replace(u'-', QLatin1String("\\-"))
        .replace(u'\'', QLatin1String("\\(aq"));
    text.replace(u'"', QLatin1String("\\(dq"));
    if (text.startsWith(u'.'))
        text.prepend(QLatin1String("\\&"));
    return text;
}

// A help text as a sentence of the man page.
QString sentence(QString text)
{
    if (!text.isEmpty() && text[0].isLower()
        && !text.section(u' ', 0, 0).contains(QRegularExpression(QStringLiteral("[^a-z]"))))
        text[0] = text[0].toUpper();
    if (!text.endsWith(u'.'))
        text += u'.';
    return text;
}

QString manTag(const OptionSpec& option)
{
    QStringList names;
    for (const QString& name : DashedNames(option))
        names.append(QStringLiteral("\\fB%1\\fR").arg(roff(name)));
    QString tag = names.join(QStringLiteral(", "));
    if (*option.value)
        tag += QStringLiteral(" \\fI%1\\fR").arg(roff(QString::fromUtf8(option.value)));
    return tag;
}

QString upper(const char* text)
{
    return QString::fromLatin1(text).toUpper();
}

QString words(QStringList list)
{
    return list.join(u' ');
}

// The shell's answer for an option's value; empty for free text.
QString completionOf(const OptionSpec& option)
{
    const QString choices = QString::fromUtf8(option.choices);
    switch (option.kind) {
    case ValueKind::None:
        return {};
    case ValueKind::File:
        if (choices.isEmpty())
            return QStringLiteral("_filedir");
        return choices.contains(u'|') ? QStringLiteral("_filedir '@(%1)'").arg(choices)
                                      : QStringLiteral("_filedir %1").arg(choices);
    case ValueKind::Folder:
        return choices.isEmpty()
            ? QStringLiteral("_filedir -d")
            : QStringLiteral("COMPREPLY=($(compgen -W '%1' -- \"$cur\"))\n                    _filedir -d")
                  .arg(choices);
    case ValueKind::Program:
        return QStringLiteral("COMPREPLY=($(compgen -c -- \"$cur\"))\n                    _filedir");
    case ValueKind::Choices:
        return QStringLiteral("COMPREPLY=($(compgen -W '%1' -- \"$cur\"))").arg(choices);
    case ValueKind::Formats:
        return QStringLiteral("COMPREPLY=($(compgen -W '%1' -- \"${cur^^}\"))")
            .arg(OutputFormatNamesText().replace(QLatin1String(" or "), QLatin1String(" ")).remove(u','));
    case ValueKind::Devices:
        return QStringLiteral("COMPREPLY=($(compgen -W 'list %1' -- \"$cur\"))")
            .arg(DevicePresetNamesText().remove(u','));
    }
    return {};
}

QString completionOfCommand(Command command)
{
    QStringList names;
    QList<QPair<QString, QStringList>> actions; // an answer and the options it is for, in the table's order
    QStringList freeText;
    for (const OptionSpec* option : OptionsOf(command)) {
        names += DashedNames(*option);
        if (!*option->value)
            continue;
        const QString action = completionOf(*option);
        QStringList* into = &freeText;
        for (auto& [known, options] : actions) {
            if (known == action)
                into = &options;
        }
        if (!action.isEmpty() && into == &freeText) {
            actions.append({ action, {} });
            into = &actions.last().second;
        }
        *into += DashedNames(*option);
    }
    QString out = QStringLiteral("        %1)\n            options='%2'\n            case $prev in\n")
                      .arg(QLatin1String(CommandOf(command).name), words(names));
    for (const auto& [action, options] : std::as_const(actions))
        out += QStringLiteral(
            "                %1)\n                    %2\n                    return\n                    ;;\n")
                   .arg(options.join(QStringLiteral(" | ")), action);
    if (!freeText.isEmpty())
        out += QStringLiteral("                %1)\n                    return\n                    ;;\n")
                   .arg(freeText.join(QStringLiteral(" | ")));
    return out + QStringLiteral("            esac\n            ;;\n");
}

} // namespace

QString CommandHelp(Command command)
{
    const CommandEntry& entry = CommandOf(command);
    QString out = QStringLiteral("quillmark %1 %2\n").arg(QLatin1String(entry.name), QLatin1String(entry.synopsis));
    for (const QString& operand : QString::fromUtf8(entry.operands).split(u'\n', Qt::SkipEmptyParts))
        out += wrapped(QStringLiteral("  ") + operand.section(QStringLiteral("  "), 0, 0),
            operand.section(QStringLiteral("  "), 1));
    const char* section = "";
    for (const OptionSpec* option : OptionsOf(command)) {
        if (qstrcmp(option->section, section) != 0) {
            section = option->section;
            out += QString::fromUtf8(section) + QStringLiteral(":\n");
        }
        out += wrapped(helpHead(*option), Expanded(option->help));
    }
    if (*entry.notes)
        out += wrapped(QString(), QString::fromUtf8(entry.notes), 2);
    return out;
}

QString ProgramHelp(bool desktop, const QString& program)
{
    QString out = QStringLiteral("usage: ");
    const QString indent(7, u' ');
    if (desktop)
        out += QStringLiteral("quillmark [FILE|ADDRESS...]\n%1    the desktop program, these pages in its list\n%1")
                   .arg(indent);
    for (Command command : AllCommands) {
        const CommandEntry& entry = CommandOf(command);
        out += QStringLiteral("%5 %1 %2\n%3    %4 (%1 --help)\n%3")
                   .arg(QLatin1String(entry.name), QLatin1String(entry.synopsis), indent, QLatin1String(entry.summary),
                       program);
    }
    return out + program + QStringLiteral(" --version\n");
}

QString ManSynopsis()
{
    QString out;
    for (Command command : AllCommands) {
        const CommandEntry& entry = CommandOf(command);
        out += QStringLiteral(".br\n.B quillmark %1\n%2\n")
                   .arg(QLatin1String(entry.name), roff(QString::fromLatin1(entry.synopsis)));
    }
    return out;
}

QString ManOptions()
{
    QString out;
    for (Command command : AllCommands) {
        const CommandEntry& entry = CommandOf(command);
        out += QStringLiteral(".SH OPTIONS FOR %1\n").arg(upper(entry.name));
        for (const QString& operand : QString::fromUtf8(entry.operands).split(u'\n', Qt::SkipEmptyParts))
            out += QStringLiteral(".TP\n.I %1\n%2\n")
                       .arg(operand.section(QStringLiteral("  "), 0, 0),
                           roff(sentence(operand.section(QStringLiteral("  "), 1))));
        const char* section = "";
        for (const OptionSpec* option : OptionsOf(command)) {
            if (qstrcmp(option->section, section) != 0) {
                section = option->section;
                out += QStringLiteral(".SS %1\n").arg(roff(QString::fromUtf8(section)));
            }
            out += QStringLiteral(".TP\n%1\n").arg(manTag(*option));
            const Command first = firstCommandOf(*option);
            if (first != command) {
                out += QStringLiteral("As for \\fB%1\\fR.\n").arg(QLatin1String(CommandOf(first).name));
                continue;
            }
            out += roff(sentence(Expanded(option->help))) + u'\n';
            if (*option->more)
                out += roff(Expanded(option->more)) + u'\n';
        }
        if (*entry.notes)
            out += QStringLiteral(".PP\n%1\n").arg(roff(QString::fromUtf8(entry.notes)));
    }
    return out;
}

QString BashCompletion()
{
    QStringList commands;
    QString perCommand;
    for (Command command : AllCommands) {
        commands.append(QLatin1String(CommandOf(command).name));
        perCommand += completionOfCommand(command);
    }
    return QStringLiteral(R"(# bash completion for quillmark                                -*- shell-script -*-
# Written by the build from the program's option table (run/OptionTable.cpp).

_quillmark()
{
    local cur prev words cword
    _init_completion || return

    local i command=""
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            %1)
                command=${words[i]}
                break
                ;;
        esac
    done

    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W '--version --help' -- "$cur"))
        else
            COMPREPLY=($(compgen -W '%2' -- "$cur"))
            _filedir '@(htm|html|xhtml|shtml)'
        fi
        return
    fi

    local options
    case $command in
%3    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    [[ $command == convert || $command == submit ]] && _filedir '@(htm|html|xhtml|shtml)'
} &&
    complete -F _quillmark quillmark

# ex: filetype=sh
)")
        .arg(commands.join(QStringLiteral(" | ")), words(commands), perCommand);
}

} // namespace qm::run
