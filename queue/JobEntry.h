#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QString>
#include <optional>

#include "capture/PageRunner.h"
#include "platform/Error.h"
#include "queue/QueueNames.h"

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
    // Anyone who can write to the stream writes entries: each field is checked for its type and size,
    // and the result stream must be the one of the job's batch on this queue.
    static Result<Job> fromFields(const Fields& fields, const QueueNames& names);
    // The batch and page an entry that is no sound job names, where its failure can be reported: its
    // batch id is one a key can be made of. The page number is -1 when it is none.
    static std::optional<Job> partOf(const Fields& fields, const QueueNames& names);
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
