#pragma once

#include <QString>
#include <QStringList>

namespace qm::run {

// The commands of the program without a window.
enum class Command : unsigned { Convert = 1, Worker = 2, Submit = 4, Status = 8 };

inline constexpr Command AllCommands[] = { Command::Convert, Command::Worker, Command::Submit, Command::Status };

// What the shell offers for an option's value.
enum class ValueKind {
    None, // a flag, or free text
    File,
    Folder,
    Program, // a command on PATH or a file
    Choices, // the words in `choices`
    Formats, // the output formats' names
    Devices, // "list" and the device presets' names
};

// One option as every surface shows it: the parser, --help, the man page and the shell completion.
// An option whose help differs between commands has a row for each.
struct OptionSpec
{
    const char* names; // "l,list": the short name (if any), then the long one
    const char* value; // the value's name in the help; empty for a flag
    const char* help; // one sentence or two; "{formats}" and "{devices}" name the tables' entries
    unsigned commands; // Command bits
    const char* section = ""; // the heading it is listed under, empty for the command's first group
    ValueKind kind = ValueKind::None;
    const char* choices = ""; // ValueKind::Choices: the words; File: the extensions, '|' between them
    const char* more = ""; // said in the man page after the help
};

struct CommandEntry
{
    Command command;
    const char* name;
    const char* synopsis; // what follows "quillmark NAME"
    const char* summary; // one line for the program's help
    const char* operands; // "NAME  what it is" for each non-option argument, '\n' between them
    const char* notes; // said after the options, in --help and the man page
};

const CommandEntry& CommandOf(Command command);

// The options a command takes and shows, in the table's order.
QList<const OptionSpec*> OptionsOf(Command command);
// Besides its own options, `submit` reads the rest of convert's so that it can say why it refuses them.
QList<const OptionSpec*> ParsedOptionsOf(Command command);

QStringList NamesOf(const OptionSpec& option); // {"l", "list"}
QString LongName(const OptionSpec& option); // "--list"
QStringList DashedNames(const OptionSpec& option); // {"-l", "--list"}
QString Expanded(const char* text); // a help text with "{formats}" and "{devices}" put in

} // namespace qm::run
