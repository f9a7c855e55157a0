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
#include "run/ArgumentReader.h"
#include "run/ConvertOptions.h"
#include "run/HiddenPasswords.h"
#include "run/OptionDocs.h"
#include "run/QueueRunOptions.h"

namespace qm::queue {

namespace {

int usageError(run::Command command, const QString& message)
{
    const char* name = run::CommandOf(command).name;
    std::fprintf(stderr, "quillmark %s: %s (see quillmark %s --help)\n", name,
        VisibleText(message).toLocal8Bit().constData(), name);
    return 2;
}

// The command's options, read before the passwords in them are blanked; or, when they are wrong or
// only ask for help, the exit status once that is said. Submit's convert options come too.
std::expected<QueueOptions, int> optionsOrExit(
    run::Command command, int argc, char** argv, run::ConvertOptions* convert = nullptr)
{
    QStringList arguments;
    for (int i = 2; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    run::BlankPasswords(argc, argv);
    run::ArgumentReader reader(command);
    if (auto read = reader.read(arguments); !read)
        return std::unexpected(usageError(command, read.error().message));
    auto options = run::ReadQueueOptions(reader, QDir::currentPath());
    if (options && options->help) {
        std::fputs(run::CommandHelp(command).toLocal8Bit().constData(), stdout);
        return std::unexpected(0);
    }
    auto resolved
        = options ? ResolveQueue(std::move(*options)) : Result<QueueOptions>(std::unexpected(options.error()));
    if (!resolved)
        return std::unexpected(usageError(command, resolved.error().message));
    if (convert) {
        auto converting = run::ReadConvertOptions(reader, QDir::currentPath());
        if (!converting)
            return std::unexpected(usageError(command, converting.error().message));
        *convert = std::move(*converting);
    }
    return std::move(*resolved);
}

} // namespace

int runWorker(int argc, char** argv)
{
    auto options = optionsOrExit(run::Command::Worker, argc, argv);
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
    run::ConvertOptions convert;
    auto options = optionsOrExit(run::Command::Submit, argc, argv, &convert);
    if (!options)
        return options.error();
    // The report is written by the submitter as the results come in; without --wait nobody would.
    if (convert.report && convert.resume.isEmpty() && !options->wait)
        return usageError(run::Command::Submit,
            QStringLiteral("--report needs --wait: the report is written while submit follows the batch"));
    SetVerbose(convert.verbose);
    return RunHeadless(argv[0], [&] {
        auto plan = PlanBatch(convert, options->names, QDir::currentPath(), QDateTime::currentDateTime());
        if (!plan) {
            if (plan.error().code == Error::Code::Usage)
                return usageError(run::Command::Submit, plan.error().message);
            std::fprintf(stderr, "quillmark submit: %s\n", VisibleText(plan.error().message).toLocal8Bit().constData());
            return 2;
        }
        BatchSubmitter submitter(std::move(*options), std::move(convert), std::move(*plan));
        return submitter.run();
    });
}

int runStatus(int argc, char** argv)
{
    auto options = optionsOrExit(run::Command::Status, argc, argv);
    if (!options)
        return options.error();
    return RunHeadless(argv[0], [&] {
        QueueStatus status(std::move(*options));
        return status.run();
    });
}

} // namespace qm::queue
