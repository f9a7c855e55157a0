#!/usr/bin/env bash
# Workers on a Redis stream against convert, and what one stream carries: ./bench/queue/run.sh [--pages N]
# (QUILLMARK_BENCH_BUILD picks the build folder; build/ by default.)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${QUILLMARK_BENCH_BUILD:-$root/build}"
"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja > /dev/null
cmake --build "$build" --target quillmark queue_drain_bench -j2
python3 "$root/bench/queue/bench.py" --binary "$build/app/quillmark" --drain "$build/bench/queue/queue_drain_bench" "$@"
