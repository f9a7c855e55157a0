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

struct StartTimeForm
{
    QString format;
    bool regional; // parsed with the user's locale (month names, AM/PM words), else with the C locale
};

// Forms tried in order: the fixed one first, then the user's regional short forms, then US and common
// European numeric forms.
QList<StartTimeForm> startTimeForms()
{
    QList<StartTimeForm> forms;
    for (const char* fixed : { "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd" })
        forms.append({ QString::fromLatin1(fixed), false });
    const QLocale locale = QLocale::system();
    const QString date = locale.dateFormat(QLocale::ShortFormat);
    for (const QLocale::FormatType type : { QLocale::LongFormat, QLocale::ShortFormat }) {
        QString time = locale.timeFormat(type);
        // Nobody writes zone names into the file.
        time.remove(QStringLiteral(" t")).remove(u't');
        forms.append({ date + u' ' + time.trimmed(), true });
    }
    forms.append({ date, true });
    for (const char* fallback : { "M/d/yyyy h:mm:ss AP", "M/d/yyyy h:mm AP", "M/d/yyyy H:mm:ss", "M/d/yyyy H:mm",
             "M/d/yyyy", "d.M.yyyy H:mm:ss", "d.M.yyyy H:mm", "d.M.yyyy", "d/M/yyyy H:mm:ss", "d/M/yyyy" })
        forms.append({ QString::fromLatin1(fallback), false });
    return forms;
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
        const QString line = text::WithoutLeadingBoms(text::DecodeLine(body.sliced(span.start, span.length)));
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
    // The scheduler asks about every task each second: turn obvious non-dates away before trying forms.
    constexpr qsizetype longest = 64;
    const QString simplified = text.simplified();
    if (simplified.isEmpty() || simplified.size() > longest || !simplified.front().isDigit())
        return std::nullopt;
    static const QList<StartTimeForm> forms = startTimeForms();
    static const QLocale locale = QLocale::system();
    for (const StartTimeForm& form : forms) {
        QDateTime at = form.regional ? locale.toDateTime(simplified, form.format)
                                     : QDateTime::fromString(simplified, form.format);
        if (!at.isValid())
            continue;
        // Two-digit years are read as 19yy; a schedule means this century.
        if (twoDigitYear(form.format) && at.date().year() < 2000)
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
