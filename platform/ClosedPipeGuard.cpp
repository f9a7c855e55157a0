#include "platform/ClosedPipeGuard.h"

namespace qm {

namespace {
void Nothing(int) { }
} // namespace

ClosedPipeGuard::ClosedPipeGuard()
{
    struct sigaction action
    {
    };
    action.sa_handler = Nothing;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    m_installed = ::sigaction(SIGPIPE, &action, &m_previous) == 0;
}

ClosedPipeGuard::~ClosedPipeGuard()
{
    if (m_installed)
        ::sigaction(SIGPIPE, &m_previous, nullptr);
}

} // namespace qm
