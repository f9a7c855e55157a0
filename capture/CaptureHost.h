#pragma once

#include <QSize>
#include <QString>

#include "platform/Error.h"

namespace qm {

namespace cdp {
class Tab;
}

// A document completion as the browser reported it; hosts that capture on completion pass it on.
struct PageCompletion
{
    QString url;
    bool topLevel = true;
};

// What one capture produced: the output file, or why there is none.
struct CaptureOutcome
{
    QString address; // the page address used for the name and the PDF
    Result<QString> output; // the path of the output file, which exists
    QString thumbnail; // the thumbnail's path when one was written
    int httpStatus = 0; // the main document's, 0 for file: and data: pages
    QString httpStatusLine; // "HTTP 404 Not Found", empty with status 0
    QString warning; // something the user should hear of once, though the page converted (a watermark left out)
    QString note; // what the user should know about a written output, e.g. "cut at 100000 px"
    QString finalAddress; // the page's address after redirects
    QString title; // the page's title
    QSize pixelSize; // of the picture written (or of the page's picture), when there is one
};

// A window (or the command line) that runs the capture pipeline on its tab. The main window, the
// mini browser and the scheduler differ only in what they supply here.
class CaptureHost
{
public:
    virtual ~CaptureHost() = default;

    virtual cdp::Tab& tab() = 0;

    // Hosts that capture on a document completion refuse the ones that are not for their page; the
    // mini browser captures on a click and has no guards.
    virtual bool hasGuards() const { return true; }
    virtual bool hasRows() const { return true; } // the host's list is not empty

    virtual void beforePreparation() { }
    virtual void afterSnapshot() { }

    // The address that names the output and that the PDF is made from.
    virtual QString pageAddress() const = 0;

    // The host's completion step; runs once per capture that passed the guards and was not abandoned.
    virtual void completed(const CaptureOutcome& outcome) = 0;
};

// The guards: rows exist, the completion is the top-level document's, and it is not "about:blank".
bool PassesGuards(const CaptureHost& host, const PageCompletion& completion);

} // namespace qm
