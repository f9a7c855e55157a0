#!/usr/bin/env bash
# Builds and runs the engine benchmark: ./bench/engine/run.sh [rounds]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${QUILLMARK_BENCH_BUILD:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLMARK_TESTS=OFF > /dev/null
cmake --build "$build" --target engine_bench -j2
QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$build/bench/engine/engine_bench" "$@"
