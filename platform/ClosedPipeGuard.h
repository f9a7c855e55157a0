#pragma once

#include <csignal>

namespace qm {

// While it lives, a write into a pipe whose reader has gone fails with EPIPE instead of ending the
// process (SIGPIPE), so that a command whose output is closed (`quillmark convert --json | head -1`)
// stops the orderly way: pages in flight dropped, the browser ended, its profile removed. A handler
// that does nothing, not an ignored signal: programs started meanwhile get the default action back.
class ClosedPipeGuard
{
public:
    ClosedPipeGuard();
    ~ClosedPipeGuard();
    ClosedPipeGuard(const ClosedPipeGuard&) = delete;
    ClosedPipeGuard& operator=(const ClosedPipeGuard&) = delete;

private:
    struct sigaction m_previous
    {
    };
    bool m_installed = false;
};

} // namespace qm
