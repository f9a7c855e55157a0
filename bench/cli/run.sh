#!/usr/bin/env bash
# The command-line benchmark: installs the corpus and the peers, builds Quillmark and the floor (unless
# QUILLMARK_BINARY names a Quillmark; QUILLMARK_FLOOR then names the floor, bench/floor's cli_floor), then
# compares full-page PNG and PDF throughput against Playwright, wkhtmltoimage/wkhtmltopdf and CutyCapt, each
# at 1, 2 and 4 at once, in interleaved rounds, on the corpus served on 127.0.0.1. Options go to bench.py
# (--quick: 30 generated pages instead; --rounds N).
set -euo pipefail
cd "$(dirname "$0")"
./setup.sh
BINARY="${QUILLMARK_BINARY:-../../build/app/quillmark}"
FLOOR="${QUILLMARK_FLOOR:-../../build/bench/floor/cli_floor}"
if [ -z "${QUILLMARK_BINARY:-}" ]; then
    ../../scripts/build.sh >&2
fi
exec python3 bench.py --binary "$BINARY" --floor "$FLOOR" "$@"
