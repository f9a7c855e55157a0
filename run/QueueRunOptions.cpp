#include "run/QueueRunOptions.h"

#include <QDir>

#include "run/ArgumentReader.h"
#include "run/BrowserPool.h"
#include "settings/SettingKeys.h"

namespace qm::run {

namespace {

Result<QueueRunOptions> usage(const QString& message)
{
    return fail(Error::Code::Usage, message);
}

QString absolute(const QString& path, const QString& workingFolder)
{
    return QDir::cleanPath(QDir(workingFolder).absoluteFilePath(path));
}

// What only a worker has.
Result<QueueRunOptions> readWorker(const ArgumentReader& in, const QString& workingFolder, QueueRunOptions o)
{
    o.group = in.value("group");
    if (in.isSet("jobs")) {
        bool ok = false;
        o.jobs = in.value("jobs").toInt(&ok);
        if (!ok || o.jobs < 1 || o.jobs > MostJobs)
            return usage(QStringLiteral("--jobs takes a whole number from 1 to %1, not \"%2\"")
                             .arg(MostJobs)
                             .arg(in.value("jobs")));
    }
    for (const QString& browser : in.values("browser"))
        o.browsers.append(BrowserArgument(browser, workingFolder));
    if (in.isSet("home"))
        o.home = absolute(in.value("home"), workingFolder);
    if (in.isSet("idle")) {
        bool ok = false;
        const int seconds = in.value("idle").toInt(&ok);
        if (!ok || seconds < 1)
            return usage(
                QStringLiteral("--idle takes a whole number of seconds above 0, not \"%1\"").arg(in.value("idle")));
        o.idleSeconds = seconds;
    }
    o.workerName = in.value("name");
    if (in.isSet("output-root"))
        o.outputRoot = absolute(in.value("output-root"), workingFolder);
    for (const QString& folder : in.values("allow-files"))
        o.allowFiles.append(folder.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0
                ? QStringLiteral("all")
                : absolute(folder, workingFolder));
    for (const QString& given : in.values("auth-host")) {
        if (given.contains(u'/') || given.contains(u'@'))
            return usage(QStringLiteral("--auth-host takes a host name, not \"%1\"").arg(given));
        QString host = given.trimmed();
        if (host.startsWith(u'[') && host.endsWith(u']')) // an IPv6 address as an address writes it
            host = host.sliced(1, host.size() - 2);
        o.authHosts.append(host);
    }
    if (!in.positional().isEmpty())
        return usage(QStringLiteral("unknown option %1").arg(in.positional().constFirst()));
    return o;
}

} // namespace

Result<QueueRunOptions> ReadQueueOptions(const ArgumentReader& in, const QString& workingFolder)
{
    QueueRunOptions o;
    o.help = in.isSet("help");
    if (o.help)
        return o;
    o.verbose = in.isSet("verbose");
    o.queue = in.value("queue");
    if (in.isSet("password-file"))
        o.passwordFile = QDir(workingFolder).absoluteFilePath(in.value("password-file"));
    o.stream = in.value("stream");
    if (in.command() == Command::Worker) {
        auto worker = readWorker(in, workingFolder, std::move(o));
        if (!worker)
            return worker;
        o = std::move(*worker);
    } else if (in.command() == Command::Submit) {
        o.wait = in.isSet("wait");
    } else if (in.command() == Command::Status) {
        if (in.positional().size() > 1)
            return usage(QStringLiteral("status takes one batch id at most"));
        o.batch = in.positional().value(0);
    }
    if (o.queue.isEmpty())
        return usage(QStringLiteral("--queue is required (redis://HOST[:PORT][/DB])"));
    return o;
}

} // namespace qm::run
