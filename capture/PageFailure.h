#pragma once

#include <QString>
#include <chrono>

#include "platform/Error.h"

namespace qm {

// What a page's row says when the page failed: one line of at most 300 characters in the user's
// words. Protocol detail and the browser's own output go to the --verbose log instead.
struct PageFailureFacts
{
    QString address;
    std::chrono::milliseconds limit { 0 }; // the page time limit
    bool limitReached = false; // the page's time was up when it failed
};

Error UserFacingFailure(const Error& raw, const PageFailureFacts& facts);

// The one wording of the page time limit, e.g. "the page did not finish loading within 60 s".
QString PageTimeLimitText(std::chrono::milliseconds limit);

} // namespace qm
