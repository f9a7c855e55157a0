#include "queue/QueueCommands.h"

#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <expected>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/HeadlessApplication.h"
#include "platform/VerboseLog.h"
#include "platform/VisibleText.h"
#include "queue/BatchSubmitter.h"
#include "queue/QueueStatus.h"
#include "queue/QueueWorker.h"

namespace qm::queue {

namespace {

const char* commandName(QueueCommand command)
{
    switch (command) {
    case QueueCommand::Worker:
        return "worker";
    case QueueCommand::Submit:
        return "submit";
    case QueueCommand::Status:
        return "status";
    }
    return "";
}

int usageError(QueueCommand command, const QString& message)
{
    std::fprintf(stderr, "quillmark %s: %s (see quillmark %s --help)\n", commandName(command),
        VisibleText(message).toLocal8Bit().constData(), commandName(command));
    return 2;
}

// The arguments after the command's name, read before the password in them is blanked.
Result<QueueOptions> parse(QueueCommand command, int argc, char** argv)
{
    QStringList arguments;
    for (int i = 2; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    HideQueuePasswords(argc, argv);
    return ParseQueueArguments(command, arguments, QDir::currentPath());
}

// The command's options; or, when they are wrong or only ask for help, the exit code once that is said.
std::expected<QueueOptions, int> optionsOrExit(QueueCommand command, int argc, char** argv)
{
    auto options = parse(command, argc, argv);
    if (!options)
        return std::unexpected(usageError(command, options.error().message));
    if (options->help) {
        std::fputs(QueueUsage(command).toLocal8Bit().constData(), stdout);
        return std::unexpected(0);
    }
    return std::move(*options);
}

} // namespace

int runWorker(int argc, char** argv)
{
    auto options = optionsOrExit(QueueCommand::Worker, argc, argv);
    if (!options)
        return options.error();
    SetVerbose(options->verbose);
    return RunHeadless(argv[0], [&] {
        QueueWorker worker(std::move(*options));
        return worker.run();
    });
}

int runSubmit(int argc, char** argv)
{
    auto options = optionsOrExit(QueueCommand::Submit, argc, argv);
    if (!options)
        return options.error();
    auto convert = cli::ParseConvertArguments(options->rest, QDir::currentPath());
    if (!convert)
        return usageError(QueueCommand::Submit, convert.error().message);
    // The report is written by the submitter as the results come in; without --wait nobody would.
    if (convert->report && convert->resume.isEmpty() && !options->wait)
        return usageError(QueueCommand::Submit,
            QStringLiteral("--report needs --wait: the report is written while submit follows the batch"));
    SetVerbose(convert->verbose);
    return RunHeadless(argv[0], [&] {
        auto plan = PlanBatch(*convert, options->names, QDir::currentPath(), QDateTime::currentDateTime());
        if (!plan) {
            if (plan.error().code == Error::Code::Usage)
                return usageError(QueueCommand::Submit, plan.error().message);
            std::fprintf(stderr, "quillmark submit: %s\n", VisibleText(plan.error().message).toLocal8Bit().constData());
            return 2;
        }
        BatchSubmitter submitter(std::move(*options), std::move(*convert), std::move(*plan));
        return submitter.run();
    });
}

int runStatus(int argc, char** argv)
{
    auto options = optionsOrExit(QueueCommand::Status, argc, argv);
    if (!options)
        return options.error();
    return RunHeadless(argv[0], [&] {
        QueueStatus status(std::move(*options));
        return status.run();
    });
}

} // namespace qm::queue
