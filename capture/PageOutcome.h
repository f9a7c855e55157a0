#pragma once

#include <QSize>
#include <QString>
#include <chrono>

#include "platform/Error.h"

namespace qm {

// What became of one page, from its capture through the batch, the report and the queue's results: the
// output file written, or why there is none. Paths are absolute, except in a report's rows, which hold
// them relative to the report's folder.
struct PageOutcome
{
    Result<QString> output; // the path of the output file, which exists
    std::chrono::milliseconds elapsed { 0 }; // the whole page: loading, capture and writing
    int httpStatus = 0; // the main document's when the page loaded, else 0 (and for file: and data:)
    QString httpStatusLine; // "HTTP 404 Not Found"; empty with status 0
    QString warning; // said once per batch, though the page converted (a watermark picture that cannot be used)
    QString note; // about a written output, e.g. "cut at 100000 px"
    QString finalAddress; // the page's address after redirects, when it loaded
    QString title; // the page's title, when it loaded
    QSize pixelSize; // of the picture written (or of the page's picture), when there is one
    QString thumbnail; // the thumbnail's path when one was written
    QString address; // the page address used for the name and the PDF
};

// How a finished page's row reads in a list: the failure's reason, else its HTTP status and what was cut.
struct RowStatus
{
    bool ok = false;
    QString toolTip;
};
RowStatus RowStatusOf(const PageOutcome& outcome);

} // namespace qm
