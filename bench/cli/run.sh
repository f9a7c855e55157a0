#!/usr/bin/env bash
# The command-line benchmark: installs the corpus and the peers, builds Quillmark (unless QUILLMARK_BINARY
# names one), then compares full-page PNG and PDF throughput against Playwright, wkhtmltoimage/wkhtmltopdf and
# CutyCapt on the corpus served on 127.0.0.1. Options go to bench.py (--quick: 30 generated pages instead).
set -euo pipefail
cd "$(dirname "$0")"
./setup.sh
BINARY="${QUILLMARK_BINARY:-../../build/app/quillmark}"
if [ -z "${QUILLMARK_BINARY:-}" ]; then
    ../../scripts/build.sh >&2
fi
exec python3 bench.py --binary "$BINARY" "$@"
