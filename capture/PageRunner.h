#pragma once

#include <QSize>
#include <QString>
#include <chrono>
#include <functional>

#include "platform/Error.h"

namespace qm {

// What became of one page: the output file written, or why there is none.
struct PageOutcome
{
    Result<QString> output;
    std::chrono::milliseconds elapsed { 0 };
    int httpStatus = 0; // the main document's when the page loaded, else 0 (and for file: and data:)
    QString httpStatusLine; // "HTTP 404 Not Found"; empty with status 0
    QString warning; // said once per batch (a watermark picture that cannot be used)
    QString note; // about a written output, e.g. "cut at 100000 px"
    QString finalAddress; // the page's address after redirects, when it loaded
    QString title; // the page's title, when it loaded
    QSize pixelSize; // of the picture written (or of the page's picture), when there is one
    QString thumbnail; // the thumbnail's path when one was written
};

// Converts single pages for the batch driver: loads the address in a tab of its own and runs the capture
// pipeline when the page is complete. Several pages may be in flight at once, each under its own ticket.
class PageRunner
{
public:
    using Ticket = quint64;
    using Finished = std::function<void(PageOutcome)>;

    virtual ~PageRunner() = default;

    // `finished` runs exactly once, later on the event loop (never inside this call), unless the page
    // is abandoned first. `limit` bounds the whole page: loading, capture and writing.
    virtual void convert(Ticket ticket, const QString& address, std::chrono::milliseconds limit, Finished finished) = 0;

    // Stops the page at once: nothing more is written for it, its reserved names are released and
    // `finished` is not called.
    virtual void abandon(Ticket ticket) = 0;
};

} // namespace qm
