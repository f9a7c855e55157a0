#pragma once

#include <QString>
#include <chrono>
#include <functional>

#include "platform/Error.h"

namespace qm {

// What converts one scheduled task: navigates to the address and runs the capture pipeline on the page.
// The program's implementation drives the scheduler's own engine tab; tests of the timer use a recorder.
class TaskCapture
{
public:
    virtual ~TaskCapture() = default;

    // Starts the navigation at once. `finished` runs once, later on the event loop, unless the capture
    // is abandoned first. `limit` is the page time limit for the whole task.
    virtual void start(const QString& url, std::chrono::milliseconds limit, std::function<void(Result<void>)> finished)
        = 0;

    // Stops the running task (time limit, list emptied); its `finished` never runs afterwards.
    virtual void abandon() = 0;
};

} // namespace qm
