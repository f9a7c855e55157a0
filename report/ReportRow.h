#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include "capture/PageOutcome.h"

namespace qm {

// One page of a batch as its report shows it: the last try's outcome, its paths (output and thumbnail)
// relative to the report's folder.
struct ReportRow
{
    enum class State { Pending, Ok, Failed };

    int number = 0; // 1-based place in the list
    QString address;
    State state = State::Pending;
    PageOutcome outcome; // a pending row's holds no output; the thumbnail is the report's own, or none
    qint64 bytes = 0; // of the output
    int tries = 0;

    QString output() const { return outcome.output.value_or(QString()); } // the file written, relative
    QString reason() const { return outcome.output ? QString() : outcome.output.error().message; }
    QString stateText() const; // "OK", "Failed" or "Pending"
    QJsonObject toJson() const;
    static ReportRow fromJson(const QJsonObject& object);
};

// `output` (absolute) as a path relative to `folder`, with '/' joins.
QString RelativeTo(const QString& folder, const QString& output);

// The file-URL reference of a relative path for an HTML attribute: each part percent-encoded.
QString RelativeHref(const QString& relative);

} // namespace qm
