#pragma once

#include <functional>

namespace qm {

// Runs `run` inside the Qt application of a program that shows no window (convert, worker, submit):
// offscreen platform unless one is chosen, a private runtime folder where the session has none, the
// application named "quillmark". Returns what `run` returns.
int RunHeadless(char* program, const std::function<int()>& run);

} // namespace qm
