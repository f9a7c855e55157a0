#pragma once

namespace qm::queue {

// `quillmark worker`, `quillmark submit` and `quillmark status`; each returns the exit status
// (2 for a usage or setup error, as convert).
int runWorker(int argc, char** argv);
int runSubmit(int argc, char** argv);
int runStatus(int argc, char** argv);

} // namespace qm::queue
