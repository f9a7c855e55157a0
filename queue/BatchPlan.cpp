#include "queue/BatchPlan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>

#include "batch/UrlListFile.h"
#include "capture/CaptureFormat.h"
#include "capture/NameReservation.h"
#include "capture/Naming.h"
#include "capture/OutputFolder.h"
#include "capture/PageAddress.h"
#include "capture/PageControls.h"
#include "platform/AppHome.h"
#include "queue/JobSettings.h"
#include "run/RunSettings.h"
#include "settings/SettingKeys.h"

namespace qm::queue {

namespace {

Result<QStringList> addressesOf(const run::ConvertOptions& options, const QString& workingFolder)
{
    QStringList out;
    if (!options.listFile.isEmpty()) {
        auto listed = ReadUrlListFile(options.listFile);
        if (!listed)
            return fail(Error::Code::Io,
                QStringLiteral("cannot read the list %1: %2").arg(options.listFile, listed.error().message));
        for (const QString& entry : std::as_const(*listed))
            out.append(NormalisedAddress(entry, workingFolder).value_or(entry));
    }
    for (const QString& argument : options.addresses)
        out.append(NormalisedAddress(argument, workingFolder).value_or(argument));
    if (out.isEmpty())
        return fail(Error::Code::Usage, QStringLiteral("no addresses to submit"));
    return out;
}

// Style sheets and scripts travel as their text, so the workers need not see the submitter's files.
void embedFile(QJsonObject& settings, const SettingKey& key)
{
    QJsonObject section = settings.value(key.sectionName()).toObject();
    const QString path = section.value(key.keyName()).toString();
    QFile file(path);
    if (path.isEmpty() || !QFileInfo(path).isAbsolute() || !file.open(QIODevice::ReadOnly))
        return;
    section.insert(key.keyName(), QString::fromUtf8(file.readAll()));
    settings.insert(key.sectionName(), section);
}

} // namespace

Result<BatchPlan> PlanBatch(
    const run::ConvertOptions& options, const QueueNames& names, const QString& workingFolder, const QDateTime& now)
{
    if (!options.auth.isEmpty())
        return fail(Error::Code::Usage,
            QStringLiteral("--auth (and QUILLMARK_AUTH) are not sent over the queue; give the workers "
                           "QUILLMARK_AUTH in their environment instead"));
    if (!options.browsers.isEmpty() || options.jobs)
        return fail(Error::Code::Usage,
            QStringLiteral("--browser and --jobs belong to the workers (quillmark worker --browser X --jobs N)"));
    if (options.retries)
        return fail(Error::Code::Usage,
            QStringLiteral("--retry belongs to convert: a worker does not try a failed page again (a page whose "
                           "worker died goes to another worker by itself)"));
    if (!options.resume.isEmpty())
        return fail(Error::Code::Usage,
            QStringLiteral("--resume goes on with a run of convert (quillmark convert --resume DIR); a submitted "
                           "batch goes on by itself, and quillmark status shows it"));

    auto home = AppHome::open(options.home.isEmpty() ? AppHome::defaultPath() : options.home);
    if (!home)
        return std::unexpected(home.error());
    FileSettings file(home->settingsPath());
    QString problem;
    file.setProblemHandler([&problem](const QString& reason) { problem = reason; });
    OverriddenSettings settings(file);
    run::ApplyRunSettings(options, settings);
    if (options.width != 1280)
        settings.set(keys::Width.sectionName(), keys::Width.keyName(), QString::number(options.width));
    if (auto controls = ReadPageControls(settings, QSize(options.width, 800)); !controls)
        return fail(Error::Code::Usage, controls.error().message);
    if (!problem.isEmpty())
        return fail(Error::Code::Io, problem);

    auto addresses = addressesOf(options, workingFolder);
    if (!addresses)
        return std::unexpected(addresses.error());

    BatchPlan plan;
    plan.report = options.report || ReadFlag(settings, keys::Report);
    plan.outputFolder = QDir::cleanPath(OutputFolder(settings, home->path()));
    if (!QDir().mkpath(plan.outputFolder))
        return fail(Error::Code::Io, QStringLiteral("cannot create the output folder %1").arg(plan.outputFolder));
    settings.set(keys::OutputFolder.sectionName(), keys::OutputFolder.keyName(), plan.outputFolder);
    QJsonObject carried = JobSettings::capture(settings);
    embedFile(carried, keys::Style);
    embedFile(carried, keys::Script);

    plan.id = now.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss")).toLatin1() + '-'
        + QByteArray::number(QRandomGenerator::global()->generate(), 16).rightJustified(8, '0');
    const OutputFormat format = OutputFormat::fromSetting(ReadText(settings, keys::OutputFormat));
    const QString extension = format.extension.isEmpty() ? QStringLiteral(".BMP") : format.extension;
    QSet<QString> taken;
    for (qsizetype i = 0; i < addresses->size(); ++i) {
        const QString& address = addresses->at(i);
        const OutputNaming naming = ReadOutputNaming(settings, home->path(), address, now);
        // Numbered as the worker's capture would number it, past each other's names too.
        const QString base = plan.outputFolder + u'/' + naming.baseName;
        auto path
            = NumberedName(base + extension, base, extension.mid(1), [&](const QString& candidate) -> Result<bool> {
                  return !naming.numbering || (!taken.contains(candidate) && NothingAt(candidate));
              });
        if (!path)
            return std::unexpected(path.error());
        taken.insert(*path);
        const QString name = path->mid(plan.outputFolder.size() + 1).chopped(extension.size());
        Job job;
        job.batch = plan.id;
        job.index = int(i);
        job.address = address;
        job.name = name;
        job.results = names.results(plan.id);
        job.settings = carried;
        plan.jobs.append(job);
    }
    return plan;
}

} // namespace qm::queue
