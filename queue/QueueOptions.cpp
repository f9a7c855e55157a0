#include "queue/QueueOptions.h"

#include <QDir>
#include <QStandardPaths>

#include "settings/SettingKeys.h"

namespace qm::queue {

namespace {

Result<QueueOptions> usage(const QString& message)
{
    return fail(Error::Code::Usage, message);
}

} // namespace

QString QueueUsage(QueueCommand command)
{
    const QString shared
        = QStringLiteral("      --queue URL     redis://[user:password@]HOST[:PORT][/DB] (required); the password may\n"
                         "                      come from REDISCLI_AUTH or --password-file instead\n"
                         "      --password-file FILE  the Redis password, on the file's first line\n"
                         "      --stream NAME   the job stream (default quillmark); its batches' keys start with it\n");
    switch (command) {
    case QueueCommand::Worker:
        return QStringLiteral("quillmark worker --queue URL [options]\n") + shared
            + QStringLiteral(
                "      --group NAME    the consumer group the workers share (default quillmark)\n"
                "  -j, --jobs N        pages converted at once, 1 to 16 (default 1)\n"
                "      --browser X     Chromium executable, or a remote browser (repeatable)\n"
                "      --home DIR      app home (browser and temporary files; the settings come with the jobs)\n"
                "      --output-root DIR  write only under DIR: a job's output folder must lie inside it (a\n"
                "                      relative one is taken under it); default: the output folder of the\n"
                "                      app home's settings\n"
                "      --allow-files DIR  local pages, cookies files and watermark pictures of jobs may be\n"
                "                      read from under DIR (repeatable; \"all\": any file); without it, none\n"
                "      --auth-host HOST  give QUILLMARK_AUTH to pages on HOST only (repeatable); without it,\n"
                "                      QUILLMARK_AUTH is not used\n"
                "      --idle SEC      take over jobs another worker left this long (default: the page\n"
                "                      time limit plus 30 s)\n"
                "      --name NAME     this worker's name in the group (default HOST-PID)\n"
                "      --verbose       technical detail of failures on stderr\n");
    case QueueCommand::Submit:
        return QStringLiteral("quillmark submit --queue URL [convert's options] [ADDRESS...|-l FILE]\n") + shared
            + QStringLiteral("      --wait          follow the batch until every page is done, shown as convert shows\n"
                             "                      it (progress, --json lines, exit status)\n"
                             "      --report        with --wait: write report.html and report.json in the output\n"
                             "                      folder as the pages come in, as convert --report does\n"
                             "  The output folder must be one the workers write to (a shared folder, inside their\n"
                             "  --output-root); files named by --cookies, watermark pictures and local pages must lie\n"
                             "  under their --allow-files. --auth is not sent over the queue.\n");
    case QueueCommand::Status:
        return QStringLiteral("quillmark status --queue URL [options] [BATCH]\n") + shared;
    }
    return {};
}

Result<QueueOptions> ParseQueueArguments(
    QueueCommand command, const QStringList& arguments, const QString& workingFolder)
{
    QueueOptions options;
    QString queue;
    QString passwordFile;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        QString name = argument;
        std::optional<QString> inlineValue;
        if (argument.startsWith(QLatin1String("--")) && argument.contains(u'=')) {
            name = argument.section(u'=', 0, 0);
            inlineValue = argument.section(u'=', 1);
        }
        static const QStringList shared { "--queue", "--password-file", "--stream" };
        static const QStringList workerOnly { "--group", "-j", "--jobs", "--browser", "--home", "--idle", "--name",
            "--output-root", "--allow-files", "--auth-host" };
        const bool valued = shared.contains(name) || (command == QueueCommand::Worker && workerOnly.contains(name));
        if (valued) {
            std::optional<QString> value = inlineValue;
            if (!value && i + 1 < arguments.size())
                value = arguments[++i];
            if (!value || value->isEmpty())
                return usage(QStringLiteral("%1 needs a value").arg(name));
            const QString& v = *value;
            if (name == QLatin1String("--queue")) {
                queue = v;
            } else if (name == QLatin1String("--password-file")) {
                passwordFile = QDir(workingFolder).absoluteFilePath(v);
            } else if (name == QLatin1String("--stream")) {
                options.names.stream = v.toUtf8();
            } else if (name == QLatin1String("--group")) {
                options.names.group = v.toUtf8();
            } else if (name == QLatin1String("-j") || name == QLatin1String("--jobs")) {
                bool ok = false;
                const int jobs = v.toInt(&ok);
                if (!ok || jobs < 1 || jobs > MostJobs)
                    return usage(
                        QStringLiteral("--jobs takes a whole number from 1 to %1, not \"%2\"").arg(MostJobs).arg(v));
                options.jobs = jobs;
            } else if (name == QLatin1String("--browser")) {
                const bool remote = v.contains(QLatin1String("://"));
                const QString onPath = v.contains(u'/') ? QString() : QStandardPaths::findExecutable(v);
                options.browsers.append(remote ? v
                        : !onPath.isEmpty()    ? onPath
                                               : QDir::cleanPath(QDir(workingFolder).absoluteFilePath(v)));
            } else if (name == QLatin1String("--home")) {
                options.home = QDir::cleanPath(QDir(workingFolder).absoluteFilePath(v));
            } else if (name == QLatin1String("--idle")) {
                bool ok = false;
                const int seconds = v.toInt(&ok);
                if (!ok || seconds < 1)
                    return usage(QStringLiteral("--idle takes a whole number of seconds above 0, not \"%1\"").arg(v));
                options.idleSeconds = seconds;
            } else if (name == QLatin1String("--name")) {
                options.workerName = v;
            } else if (name == QLatin1String("--output-root")) {
                options.outputRoot = QDir::cleanPath(QDir(workingFolder).absoluteFilePath(v));
            } else if (name == QLatin1String("--allow-files")) {
                options.allowFiles.append(v.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0
                        ? QStringLiteral("all")
                        : QDir::cleanPath(QDir(workingFolder).absoluteFilePath(v)));
            } else if (name == QLatin1String("--auth-host")) {
                if (v.contains(u'/') || v.contains(u'@') || v.trimmed().isEmpty())
                    return usage(QStringLiteral("--auth-host takes a host name, not \"%1\"").arg(v));
                QString host = v.trimmed();
                if (host.startsWith(u'[') && host.endsWith(u']')) // an IPv6 address as an address writes it
                    host = host.sliced(1, host.size() - 2);
                options.authHosts.append(host);
            }
            continue;
        }
        if (name == QLatin1String("-h") || name == QLatin1String("--help")) {
            options.help = true;
        } else if (name == QLatin1String("--verbose")) {
            options.verbose = true;
            if (command == QueueCommand::Submit)
                options.rest.append(argument);
        } else if (command == QueueCommand::Submit && name == QLatin1String("--wait")) {
            options.wait = true;
        } else if (command == QueueCommand::Worker) {
            return usage(QStringLiteral("unknown option %1").arg(argument));
        } else if (command == QueueCommand::Status && argument.startsWith(u'-')) {
            return usage(QStringLiteral("unknown option %1").arg(argument));
        } else {
            options.rest.append(argument);
        }
    }
    if (options.help)
        return options;
    if (queue.isEmpty())
        return usage(QStringLiteral("--queue is required (redis://HOST[:PORT][/DB])"));
    auto address = RedisAddress::parse(queue, passwordFile);
    if (!address)
        return std::unexpected(address.error());
    options.address = *address;
    if (command == QueueCommand::Status && options.rest.size() > 1)
        return usage(QStringLiteral("status takes one batch id at most"));
    return options;
}

} // namespace qm::queue
