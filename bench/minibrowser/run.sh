#!/usr/bin/env bash
# Builds and runs the mini browser benchmark: ./bench/minibrowser/run.sh [--clicks N]
# With --screenshot FILE it renders the window on the bundled start page to FILE instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${QUILLMARK_BENCH_BUILD:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLMARK_TESTS=OFF > /dev/null
cmake --build "$build" --target minibrowser_bench -j2
QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$build/bench/minibrowser/minibrowser_bench" "$@"
