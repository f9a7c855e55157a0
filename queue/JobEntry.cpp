#include "queue/JobEntry.h"

#include <QJsonDocument>
#include <algorithm>

namespace qm::queue {

namespace {

QString text(const Fields& fields, const char* name)
{
    return QString::fromUtf8(fields.value(name));
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

Result<Job> Job::fromFields(const Fields& fields)
{
    Job job;
    bool numbered = false;
    job.batch = fields.value("batch");
    job.index = fields.value("index").toInt(&numbered);
    job.address = text(fields, "address");
    job.name = text(fields, "name");
    job.results = fields.value("results");
    QJsonParseError error {};
    const QJsonDocument settings = QJsonDocument::fromJson(fields.value("settings"), &error);
    if (job.batch.isEmpty() || !numbered || job.address.isEmpty() || job.name.isEmpty() || job.results.isEmpty()
        || error.error != QJsonParseError::NoError || !settings.isObject())
        return fail(Error::Code::Usage, QStringLiteral("not a job of this program"));
    job.settings = settings.object();
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
