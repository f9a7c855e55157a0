#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QSize>
#include <QString>

namespace qm {

struct PageOutcome;

// One page of a batch as its report shows it. Paths are relative to the report's folder.
struct ReportRow
{
    enum class State { Pending, Ok, Failed };

    int number = 0; // 1-based place in the list
    QString address;
    State state = State::Pending;
    QString output; // the file written, relative
    QString finalAddress;
    QString title;
    int httpStatus = 0;
    QString httpStatusLine;
    QSize pixelSize;
    qint64 bytes = 0;
    qint64 milliseconds = 0;
    int tries = 0;
    QString reason; // why it failed (the last try's)
    QString note; // about a written output, e.g. "cut at 100000 px"
    QString thumbnail; // relative; empty: a plain tile

    QString stateText() const; // "OK", "Failed" or "Pending"
    QJsonObject toJson() const;
    static ReportRow fromJson(const QJsonObject& object);
};

// `output` (absolute) as a path relative to `folder`, with '/' joins.
QString RelativeTo(const QString& folder, const QString& output);

// The file-URL reference of a relative path for an HTML attribute: each part percent-encoded.
QString RelativeHref(const QString& relative);

} // namespace qm
