#pragma once

#include <QtGlobal>

namespace qm {

// What this machine offers to the pages converted at once.
struct MachineResources
{
    int cores = 1;
    qint64 availableMemory = 0; // bytes the kernel can hand out without swapping; 0 when unknown

    static MachineResources probe();
};

} // namespace qm
