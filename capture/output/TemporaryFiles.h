#pragma once

#include <QString>
#include <chrono>

namespace qm {

// Outputs are written under hidden names of their own, ".quillmark-<pid>-<random>-<host>.tmp", in the
// output folder, so a run killed mid-write leaves nothing a user would take for an output, and a
// later run can tell which leftovers are its own.
QString NewTemporaryFileName();

// Files left unfinished longer than this are stale whoever made them (another machine sharing the
// folder, or a process whose id has been reused).
inline constexpr std::chrono::hours StaleTemporaryAge { 24 };

// Removes the leftovers of writers that are gone: temporary files by our pattern whose process no longer
// runs on this machine, or that nobody touched for StaleTemporaryAge. Nothing else is touched.
void SweepStaleTemporaryFiles(const QString& folder);

// SweepStaleTemporaryFiles the first time a folder is named in this process.
void SweepStaleTemporaryFilesOnce(const QString& folder);

} // namespace qm
