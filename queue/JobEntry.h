#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QString>

#include "capture/PageRunner.h"
#include "platform/Error.h"

namespace qm::queue {

using Fields = QHash<QByteArray, QByteArray>;

// One page of a batch, as a job stream entry holds it. The output's name is fixed when the batch is
// submitted, so converting the job again replaces the same file instead of adding one.
struct Job
{
    QByteArray batch;
    int index = 0; // the page's place in the batch, from 0
    QString address;
    QString name; // the output's name in the batch's output folder, without its extension
    QByteArray results; // the batch's result stream
    QJsonObject settings; // section -> key -> value, as settings.dat would hold them

    Fields fields() const;
    static Result<Job> fromFields(const Fields& fields);
};

// What became of one job, as the batch's result stream holds it.
struct JobResult
{
    int index = 0;
    QString address;
    QString worker;
    PageOutcome outcome;
    int tries = 1; // how often the job was handed to a worker, this time included

    Fields fields() const;
    static JobResult fromFields(const Fields& fields);
};

} // namespace qm::queue
