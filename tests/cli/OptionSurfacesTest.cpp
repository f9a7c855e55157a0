// Each command's --help, the installed man page and the bash completion name the same options.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

#include "tests/support/ProgramRun.h"

namespace qm::test {
namespace {

using Names = QSet<QString>;

const char* const Commands[] = { "convert", "worker", "submit", "status" };

std::string listed(const Names& names)
{
    QStringList sorted(names.begin(), names.end());
    sorted.sort();
    return sorted.join(u' ').toStdString();
}

// The options at the start of --help's lines: "  -l, --list FILE" or "      --timeout SEC".
Names helpNames(const QString& command)
{
    const ProgramRun run = RunProgram({ command, "--help" });
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    Names names;
    static const QRegularExpression line(
        QStringLiteral("^(?:  (-\\w), (--[\\w-]+)|      (--[\\w-]+))"), QRegularExpression::MultilineOption);
    for (const auto& match : line.globalMatch(QString::fromLocal8Bit(run.out))) {
        for (int i = 1; i <= 3; ++i) {
            if (!match.captured(i).isEmpty())
                names.insert(match.captured(i));
        }
    }
    return names;
}

// The bold names on the tag lines (after .TP) of the command's OPTIONS section.
Names manNames(const QString& command)
{
    QFile file(QStringLiteral(QM_MAN_PAGE));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << QM_MAN_PAGE;
    const QString page = QString::fromUtf8(file.readAll());
    const QString heading = QStringLiteral(".SH OPTIONS FOR %1\n").arg(command.toUpper());
    const qsizetype start = page.indexOf(heading);
    EXPECT_GE(start, 0) << heading.toStdString();
    const QString section = page.mid(start + heading.size()).section(QStringLiteral("\n.SH "), 0, 0);
    Names names;
    static const QRegularExpression tag(QStringLiteral("^\\.TP\n(.*)$"), QRegularExpression::MultilineOption);
    static const QRegularExpression bold(QStringLiteral("\\\\fB((?:\\\\-){1,2}[\\w\\\\-]+)\\\\fR"));
    for (const auto& line : tag.globalMatch(section)) {
        for (const auto& name : bold.globalMatch(line.captured(1)))
            names.insert(name.captured(1).replace(QLatin1String("\\-"), QLatin1String("-")));
    }
    return names;
}

// What bash offers after "quillmark COMMAND -".
Names completionNames(const QString& command)
{
    QProcess bash;
    bash.start(QStringLiteral("bash"),
        { QStringLiteral("-c"),
            QStringLiteral("source /usr/share/bash-completion/bash_completion && source \"$1\" && "
                           "COMP_WORDS=(quillmark \"$2\" -) COMP_CWORD=2 COMP_LINE=\"quillmark $2 -\" && "
                           "COMP_POINT=${#COMP_LINE} && _quillmark quillmark - \"$2\" && "
                           "printf '%s\\n' \"${COMPREPLY[@]}\""),
            QStringLiteral("bash"), QStringLiteral(QM_COMPLETION), command });
    EXPECT_TRUE(bash.waitForFinished(60000));
    EXPECT_EQ(bash.exitCode(), 0) << bash.readAllStandardError().toStdString();
    const QStringList offered = QString::fromUtf8(bash.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    return Names(offered.begin(), offered.end());
}

TEST(OptionSurfaces, HelpManPageAndCompletionNameTheSameOptions)
{
    for (const char* command : Commands) {
        SCOPED_TRACE(command);
        const Names help = helpNames(command);
        ASSERT_TRUE(help.contains("--help") && help.contains("--verbose")) << listed(help);
        EXPECT_EQ(listed(manNames(command)), listed(help)) << "the man page against --help";
        EXPECT_EQ(listed(completionNames(command)), listed(help)) << "the completion against --help";
    }
    // Submit reads convert's page options as its own; a worker has none of them.
    EXPECT_TRUE(helpNames("submit").contains("--scale"));
    EXPECT_FALSE(helpNames("worker").contains("--scale"));
}

TEST(OptionSurfaces, ProgramHelpNamesEveryCommand)
{
    const ProgramRun run = RunProgram({ "--help" });
    EXPECT_EQ(run.exitCode, 0);
    for (const char* command : Commands)
        EXPECT_TRUE(run.out.contains(QByteArray("quillmark ") + command + ' ')) << command;
}

} // namespace
} // namespace qm::test
