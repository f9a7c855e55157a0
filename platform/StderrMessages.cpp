#include "platform/StderrMessages.h"

#include <cstdio>

#include "platform/VisibleText.h"

namespace qm {

void StderrMessages::say(const QString& text, const std::function<void()>& dismissed) const
{
    std::fprintf(stderr, "%s: %s\n", m_program.constData(), VisibleText(text).toLocal8Bit().constData());
    if (dismissed)
        dismissed();
}

} // namespace qm
