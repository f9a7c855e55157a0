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
        { "ms", milliseconds } };
    const auto put = [&o](const char* name, const QString& value) {
        if (!value.isEmpty())
            o.insert(QLatin1String(name), value);
    };
    put("output", output);
    put("finalAddress", finalAddress);
    put("title", title);
    put("httpStatusLine", httpStatusLine);
    put("reason", reason);
    put("note", note);
    put("thumbnail", thumbnail);
    if (httpStatus != 0)
        o.insert(QStringLiteral("httpStatus"), httpStatus);
    if (pixelSize.isValid()) {
        o.insert(QStringLiteral("width"), pixelSize.width());
        o.insert(QStringLiteral("height"), pixelSize.height());
    }
    if (!output.isEmpty())
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
    row.output = o.value(QLatin1String("output")).toString();
    row.finalAddress = o.value(QLatin1String("finalAddress")).toString();
    row.title = o.value(QLatin1String("title")).toString();
    row.httpStatus = o.value(QLatin1String("httpStatus")).toInt();
    row.httpStatusLine = o.value(QLatin1String("httpStatusLine")).toString();
    if (o.contains(QLatin1String("width")))
        row.pixelSize = QSize(o.value(QLatin1String("width")).toInt(), o.value(QLatin1String("height")).toInt());
    row.bytes = qint64(o.value(QLatin1String("bytes")).toDouble());
    row.milliseconds = qint64(o.value(QLatin1String("ms")).toDouble());
    row.tries = o.value(QLatin1String("tries")).toInt();
    row.reason = o.value(QLatin1String("reason")).toString();
    row.note = o.value(QLatin1String("note")).toString();
    row.thumbnail = o.value(QLatin1String("thumbnail")).toString();
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
