#include "queue/JobEntry.h"

#include <QJsonDocument>
#include <algorithm>

#include "capture/PageAddress.h"

namespace qm::queue {

namespace {

constexpr qsizetype Mebibyte = 1024 * 1024;
constexpr qsizetype MostEntryBytes = 24 * Mebibyte;
constexpr qsizetype MostBatchBytes = 64;
constexpr qsizetype MostIndexBytes = 10;
constexpr qsizetype MostAddressBytes = 2 * Mebibyte; // the longest address Chromium loads
constexpr qsizetype MostNameBytes = 4096;
constexpr qsizetype MostSettingsBytes = 20 * Mebibyte; // style sheets and scripts travel in them
constexpr qsizetype ShownAddressBytes = 2048;

QString text(const Fields& fields, const char* name)
{
    return QString::fromUtf8(fields.value(name));
}

Error bad(const QString& message)
{
    return Error::make(Error::Code::Usage, message);
}

// Batch ids are made by submit (date, time and a random number); anything else must not reach a key.
bool IsBatchId(const QByteArray& id)
{
    return !id.isEmpty() && id.size() <= MostBatchBytes && std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_'
            || c == '.';
    });
}

std::optional<int> PageNumber(const QByteArray& field)
{
    bool numbered = false;
    const int index = field.toInt(&numbered);
    if (!numbered || index < 0 || field.size() > MostIndexBytes)
        return std::nullopt;
    return index;
}

Result<void> CheckSizes(const Fields& fields)
{
    const std::pair<const char*, qsizetype> limits[] = { { "batch", MostBatchBytes }, { "index", MostIndexBytes },
        { "address", MostAddressBytes }, { "name", MostNameBytes }, { "settings", MostSettingsBytes } };
    qsizetype total = 0;
    for (auto field = fields.begin(); field != fields.end(); ++field)
        total += field.key().size() + field.value().size();
    if (total > MostEntryBytes)
        return std::unexpected(
            bad(QStringLiteral("the job is %1 bytes; a job holds at most %2").arg(total).arg(MostEntryBytes)));
    for (const auto& [name, most] : limits) {
        const qsizetype size = fields.value(name).size();
        if (size > most)
            return std::unexpected(bad(QStringLiteral("the job's %1 is %2 bytes; it holds at most %3")
                                           .arg(QLatin1String(name))
                                           .arg(size)
                                           .arg(most)));
    }
    return {};
}

// Sections of keys with text values, as JobSettings::capture makes them.
Result<QJsonObject> SettingsOf(const QByteArray& field)
{
    QJsonParseError error {};
    const QJsonDocument document = QJsonDocument::fromJson(field, &error);
    const auto notSettings = [] {
        return bad(QStringLiteral("the job's settings are not sections of text values (a JSON object of objects)"));
    };
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::unexpected(notSettings());
    const QJsonObject sections = document.object();
    for (const QJsonValue& section : sections) {
        if (!section.isObject())
            return std::unexpected(notSettings());
        const QJsonObject keys = section.toObject();
        if (!std::all_of(keys.begin(), keys.end(), [](const QJsonValue& value) { return value.isString(); }))
            return std::unexpected(notSettings());
    }
    return sections;
}

} // namespace

Fields Job::fields() const
{
    return {
        { "batch", batch },
        { "index", QByteArray::number(index) },
        { "address", address.toUtf8() },
        { "name", name.toUtf8() },
        { "results", results },
        { "settings", QJsonDocument(settings).toJson(QJsonDocument::Compact) },
    };
}

Result<Job> Job::fromFields(const Fields& fields, const QueueNames& names)
{
    if (auto sized = CheckSizes(fields); !sized)
        return std::unexpected(sized.error());
    Job job;
    job.batch = fields.value("batch");
    if (!IsBatchId(job.batch))
        return std::unexpected(bad(QStringLiteral("the job has no batch id of submit's making")));
    const auto index = PageNumber(fields.value("index"));
    if (!index)
        return std::unexpected(bad(QStringLiteral("the job's index \"%1\" is not a page number")
                                       .arg(QString::fromUtf8(fields.value("index")))));
    job.index = *index;
    job.address = text(fields, "address");
    if (auto address = NormalisedAddress(job.address); !address)
        return std::unexpected(
            bad(QStringLiteral("the job's address is no page address: %1").arg(address.error().message)));
    job.name = text(fields, "name");
    job.results = fields.value("results");
    // The result goes where the batch's id says, never to a key the job chose.
    if (job.results != names.results(job.batch))
        return std::unexpected(bad(QStringLiteral("the job's result stream \"%1\" is not its batch's (%2)")
                                       .arg(QString::fromUtf8(job.results.left(ShownAddressBytes)),
                                           QString::fromUtf8(names.results(job.batch)))));
    auto settings = SettingsOf(fields.value("settings"));
    if (!settings)
        return std::unexpected(settings.error());
    job.settings = *settings;
    return job;
}

std::optional<Job> Job::partOf(const Fields& fields, const QueueNames& names)
{
    Job job;
    job.batch = fields.value("batch");
    if (!IsBatchId(job.batch))
        return std::nullopt;
    job.index = PageNumber(fields.value("index")).value_or(-1);
    job.address = QString::fromUtf8(fields.value("address").left(ShownAddressBytes));
    job.results = names.results(job.batch);
    return job;
}

Fields JobResult::fields() const
{
    Fields out {
        { "index", QByteArray::number(index) },
        { "address", address.toUtf8() },
        { "worker", worker.toUtf8() },
        { "tries", QByteArray::number(tries) },
        { "status", outcome.output ? "ok" : "failed" },
        { "ms", QByteArray::number(qint64(outcome.elapsed.count())) },
        { "httpStatus", QByteArray::number(outcome.httpStatus) },
    };
    const auto put = [&out](const char* name, const QString& value) {
        if (!value.isEmpty())
            out.insert(name, value.toUtf8());
    };
    put("output", outcome.output.value_or(QString()));
    put("reason", outcome.output ? QString() : outcome.output.error().message);
    put("httpStatusLine", outcome.httpStatusLine);
    put("note", outcome.note);
    put("warning", outcome.warning);
    put("finalAddress", outcome.finalAddress);
    put("title", outcome.title);
    put("thumbnail", outcome.thumbnail);
    if (outcome.pixelSize.isValid()) {
        out.insert("width", QByteArray::number(outcome.pixelSize.width()));
        out.insert("height", QByteArray::number(outcome.pixelSize.height()));
    }
    return out;
}

JobResult JobResult::fromFields(const Fields& fields)
{
    JobResult result;
    result.index = fields.value("index").toInt();
    result.address = text(fields, "address");
    result.worker = text(fields, "worker");
    result.tries = std::max(1, fields.value("tries").toInt());
    PageOutcome& outcome = result.outcome;
    if (fields.value("status") == "ok")
        outcome.output = text(fields, "output");
    else
        outcome.output = fail(Error::Code::Io, text(fields, "reason"));
    outcome.elapsed = std::chrono::milliseconds(fields.value("ms").toLongLong());
    outcome.httpStatus = fields.value("httpStatus").toInt();
    outcome.httpStatusLine = text(fields, "httpStatusLine");
    outcome.note = text(fields, "note");
    outcome.warning = text(fields, "warning");
    outcome.finalAddress = text(fields, "finalAddress");
    outcome.title = text(fields, "title");
    outcome.thumbnail = text(fields, "thumbnail");
    if (fields.contains("width"))
        outcome.pixelSize = QSize(fields.value("width").toInt(), fields.value("height").toInt());
    return result;
}

} // namespace qm::queue
