#pragma once

#include <QString>
#include <functional>

#include "capture/PageOutcome.h"

namespace qm {

class PageSettings;

// Converts single pages for the batch, the scheduler and the queue worker: loads the address in a tab of
// its own and runs the capture pipeline when the page is complete. Several pages may be in flight at once,
// each under its own ticket and with its own settings. The runner owns the page's whole life, its time
// limit included: every page ends, at the latest when its "timeout" is up.
class PageRunner
{
public:
    using Ticket = quint64;
    using Finished = std::function<void(PageOutcome)>;

    virtual ~PageRunner() = default;

    // `finished` runs exactly once, later on the event loop (never inside this call), unless the page
    // is abandoned first. `settings` are the page's, read when it starts; its time limit ("timeout")
    // bounds the whole page: loading, capture and writing.
    virtual void convert(Ticket ticket, const QString& address, const PageSettings& settings, Finished finished) = 0;

    // Stops the page at once: nothing more is written for it, its reserved names are released and
    // `finished` is not called.
    virtual void abandon(Ticket ticket) = 0;
};

} // namespace qm
