#include "scheduler/ScheduleText.h"

#include <QLocale>

#include "settings/TextLines.h"

namespace qm {

namespace {

QString fieldText(QString field)
{
    field.replace(u'\t', u' ');
    field.replace(u'\r', u' ');
    field.replace(u'\n', u' ');
    return field;
}

// Formats tried in order; locale ones come after the fixed ISO form and before the US fallbacks.
QStringList startTimeFormats()
{
    QStringList formats = { QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-MM-dd HH:mm"),
        QStringLiteral("yyyy-MM-ddTHH:mm:ss"), QStringLiteral("yyyy-MM-dd") };
    const QLocale locale = QLocale::system();
    const QString date = locale.dateFormat(QLocale::ShortFormat);
    for (const QLocale::FormatType type : { QLocale::LongFormat, QLocale::ShortFormat }) {
        QString time = locale.timeFormat(type);
        // Zone names are not written by anyone into the file.
        time.remove(QStringLiteral(" t")).remove(u't');
        formats << date + u' ' + time.trimmed();
    }
    formats << date;
    for (const char* fallback : { "M/d/yyyy h:mm:ss AP", "M/d/yyyy h:mm AP", "M/d/yyyy H:mm:ss", "M/d/yyyy H:mm",
             "M/d/yyyy", "d.M.yyyy H:mm:ss", "d.M.yyyy H:mm", "d.M.yyyy", "d/M/yyyy H:mm:ss", "d/M/yyyy" })
        formats << QString::fromLatin1(fallback);
    return formats;
}

bool twoDigitYear(const QString& format)
{
    return format.contains(QStringLiteral("yy")) && !format.contains(QStringLiteral("yyyy"));
}

} // namespace

QList<ScheduleTask> ParseSchedule(QByteArrayView bytes)
{
    QList<ScheduleTask> tasks;
    const QByteArrayView body = bytes.sliced(text::BomLength(bytes));
    for (const text::LineSpan& span : text::SplitLines(body)) {
        const QString line = text::DecodeLine(body.sliced(span.start, span.length));
        ScheduleTask task;
        QString* const fields[] = { &task.startTime, &task.url, &task.status, &task.comment };
        qsizetype from = 0;
        for (QString* field : fields) {
            const qsizetype tab = line.indexOf(u'\t', from);
            *field = line.sliced(from, (tab < 0 ? line.size() : tab) - from);
            if (tab < 0)
                break;
            from = tab + 1;
        }
        tasks.append(std::move(task));
    }
    return tasks;
}

QByteArray FormatSchedule(const QList<ScheduleTask>& tasks)
{
    QByteArray bytes;
    for (const ScheduleTask& task : tasks) {
        const QString line = fieldText(task.startTime) + u'\t' + fieldText(task.url) + u'\t' + fieldText(task.status)
            + u'\t' + fieldText(task.comment);
        bytes += line.toUtf8() + "\r\n";
    }
    return bytes;
}

std::optional<QDateTime> ParseStartTime(const QString& text)
{
    const QString simplified = text.simplified();
    if (simplified.isEmpty())
        return std::nullopt;
    static const QStringList formats = startTimeFormats();
    const QLocale locale = QLocale::system();
    for (const QString& format : formats) {
        // The C locale first (AM/PM and digits as the fixed forms are written), then the user's.
        QDateTime at = QDateTime::fromString(simplified, format);
        if (!at.isValid())
            at = locale.toDateTime(simplified, format);
        if (!at.isValid())
            continue;
        // Two-digit years are read as 19yy; a schedule means this century.
        if (twoDigitYear(format) && at.date().year() < 2000)
            at = at.addYears(100);
        return at;
    }
    return std::nullopt;
}

QString FormatStartTime(const QDateTime& at)
{
    return at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace qm
