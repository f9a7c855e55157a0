#pragma once

#include <QString>

#include "capture/PageOutcome.h"

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
    // The browser's part is over: what is left is encoding the picture, this program's own bounded work,
    // which the page's time limit does not cover.
    virtual void browserDone() { }

    // The address that names the output and that the PDF is made from.
    virtual QString pageAddress() const = 0;

    // The host's completion step; runs once per capture that passed the guards and was not abandoned.
    virtual void completed(const PageOutcome& outcome) = 0;
};

// The guards: rows exist, the completion is the top-level document's, and it is not "about:blank".
bool PassesGuards(const CaptureHost& host, const PageCompletion& completion);

} // namespace qm
