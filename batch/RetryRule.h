#pragma once

#include <QString>

#include "capture/PageRunner.h"

namespace qm {

// Whether a failed page may do better when tried again: an address that did not answer, could not be
// found or was refused, a time limit, a crashed or lost browser, or a server error (HTTP 5xx, often a
// server busy or restarting). Not: an HTTP 4xx (the server said no), a local file (it is there or not),
// or an output that could not be written (the disk says no to every try).
bool RetryWorthwhile(const QString& address, const PageOutcome& outcome);

} // namespace qm
