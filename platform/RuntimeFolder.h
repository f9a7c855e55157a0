#pragma once

namespace qm {

// Without a session (cron, ssh, containers) there is no runtime folder; Qt would warn on every run
// before falling back to one of its own making, so this makes that private folder, quietly, and sets
// XDG_RUNTIME_DIR to it. Does nothing where the variable is set.
void EnsureRuntimeFolder();

} // namespace qm
