#include "report/ReportRow.h"

#include <QDir>
#include <QUrl>

namespace qm {

QString ReportRow::stateText() const
{
    switch (state) {
    case State::Ok:
        return QStringLiteral("OK");
    case State::Failed:
        return QStringLiteral("Failed");
    case State::Pending:
        break;
    }
    return QStringLiteral("Pending");
}

QJsonObject ReportRow::toJson() const
{
    QJsonObject o { { "number", number }, { "address", address }, { "status", stateText() }, { "tries", tries },
        { "ms", qint64(outcome.elapsed.count()) } };
    const auto put = [&o](const char* name, const QString& value) {
        if (!value.isEmpty())
            o.insert(QLatin1String(name), value);
    };
    put("output", output());
    put("finalAddress", outcome.finalAddress);
    put("title", outcome.title);
    put("httpStatusLine", outcome.httpStatusLine);
    put("reason", reason());
    put("note", outcome.note);
    put("thumbnail", outcome.thumbnail);
    if (outcome.httpStatus != 0)
        o.insert(QStringLiteral("httpStatus"), outcome.httpStatus);
    if (outcome.pixelSize.isValid()) {
        o.insert(QStringLiteral("width"), outcome.pixelSize.width());
        o.insert(QStringLiteral("height"), outcome.pixelSize.height());
    }
    if (!output().isEmpty())
        o.insert(QStringLiteral("bytes"), bytes);
    return o;
}

ReportRow ReportRow::fromJson(const QJsonObject& o)
{
    ReportRow row;
    row.number = o.value(QLatin1String("number")).toInt();
    row.address = o.value(QLatin1String("address")).toString();
    const QString status = o.value(QLatin1String("status")).toString();
    row.state = status == QLatin1String("OK") ? State::Ok
        : status == QLatin1String("Failed")   ? State::Failed
                                              : State::Pending;
    PageOutcome& page = row.outcome;
    if (row.state == State::Failed)
        page.output = fail(Error::Code::Io, o.value(QLatin1String("reason")).toString());
    else
        page.output = o.value(QLatin1String("output")).toString();
    page.finalAddress = o.value(QLatin1String("finalAddress")).toString();
    page.title = o.value(QLatin1String("title")).toString();
    page.httpStatus = o.value(QLatin1String("httpStatus")).toInt();
    page.httpStatusLine = o.value(QLatin1String("httpStatusLine")).toString();
    if (o.contains(QLatin1String("width")))
        page.pixelSize = QSize(o.value(QLatin1String("width")).toInt(), o.value(QLatin1String("height")).toInt());
    page.elapsed = std::chrono::milliseconds(qint64(o.value(QLatin1String("ms")).toDouble()));
    page.note = o.value(QLatin1String("note")).toString();
    page.thumbnail = o.value(QLatin1String("thumbnail")).toString();
    row.bytes = qint64(o.value(QLatin1String("bytes")).toDouble());
    row.tries = o.value(QLatin1String("tries")).toInt();
    return row;
}

QString RelativeTo(const QString& folder, const QString& output)
{
    return QDir(folder).relativeFilePath(output);
}

QString RelativeHref(const QString& relative)
{
    QStringList parts = relative.split(u'/');
    for (QString& part : parts)
        part = QString::fromLatin1(QUrl::toPercentEncoding(part));
    // A name with ':' would read as a scheme.
    const QString joined = parts.join(u'/');
    return joined.startsWith(u'/') ? joined : QStringLiteral("./") + joined;
}

} // namespace qm
