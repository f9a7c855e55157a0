#include "batch/RetryRule.h"

namespace qm {

bool RetryWorthwhile(const QString& address, const PageOutcome& outcome)
{
    if (outcome.output)
        return false;
    if (outcome.httpStatus >= 400)
        return outcome.httpStatus >= 500;
    if (!address.startsWith(QLatin1String("http:"), Qt::CaseInsensitive)
        && !address.startsWith(QLatin1String("https:"), Qt::CaseInsensitive))
        return false;
    switch (outcome.output.error().code) {
    case Error::Code::Navigation:
    case Error::Code::Timeout:
    case Error::Code::Crashed:
    case Error::Code::BrowserGone:
    case Error::Code::Protocol:
        return true;
    case Error::Code::Io:
    case Error::Code::Usage:
    case Error::Code::NotFound:
    case Error::Code::Cancelled:
    case Error::Code::Unsupported:
        break;
    }
    return false;
}

} // namespace qm
