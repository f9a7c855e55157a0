#pragma once

namespace qm::cli {

// `quillmark convert [options] [ADDRESS...]`; returns the exit status (0 all written, 1 some failed,
// 2 usage or setup error).
int runConvert(int argc, char** argv);

} // namespace qm::cli
