#include "platform/VerboseLog.h"

#include <cstdio>

#include "platform/VisibleText.h"

namespace qm {

namespace {
bool g_verbose = false;
}

void SetVerbose(bool on)
{
    g_verbose = on;
}

bool IsVerbose()
{
    return g_verbose;
}

void VerboseLog(const QString& line)
{
    if (!g_verbose)
        return;
    std::fprintf(stderr, "quillmark: [detail] %s\n", VisibleText(line).toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace qm
