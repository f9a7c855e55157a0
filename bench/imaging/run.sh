#!/usr/bin/env bash
# Builds and runs the imaging benchmark. BUILD_DIR picks the build folder (default build-bench-imaging).
set -euo pipefail
cd "$(dirname "$0")/../.."
bench/imaging/setup.sh
build="${BUILD_DIR:-build-bench-imaging}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target imaging_bench
"$build/bench/imaging/imaging_bench"
