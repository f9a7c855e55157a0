#pragma once

#include <QDateTime>
#include <QList>

#include "queue/JobEntry.h"
#include "queue/QueueNames.h"
#include "run/ConvertOptions.h"

namespace qm::queue {

// A batch ready to go on the stream: its id, the settings every job carries and one job per page,
// each with the output name it keeps however often it is converted.
struct BatchPlan
{
    QByteArray id;
    QString outputFolder;
    QList<Job> jobs;
    bool report = false; // --report or the "report" setting: whoever follows the batch writes its report
};

// The batch `convert` would run with these options: settings.dat of the app home with the options in
// front, the same addresses, the same output names (numbered past the files already in the folder
// and past each other). Options that belong to the converting machine (--browser, --jobs) or that are
// never sent (--auth) are refused, and so is --resume, which goes on with a run of convert.
Result<BatchPlan> PlanBatch(
    const run::ConvertOptions& options, const QueueNames& names, const QString& workingFolder, const QDateTime& now);

} // namespace qm::queue
