#pragma once

#include <QString>

namespace qm::queue {

// Where an absolute path really leads: every link followed. A path that does not exist yet leads where
// its longest existing beginning leads, with the rest appended; empty when a link in it leads nowhere.
QString RealPath(const QString& absolutePath);

// Whether the real path `path` is the real folder `folder` or lies under it.
bool IsInside(const QString& path, const QString& folder);

} // namespace qm::queue
