#!/usr/bin/env bash
# The command-line benchmark: builds Quillmark, installs Playwright's client library locally, then compares
# full-page PNG and PDF throughput against Playwright and Chromium's own --screenshot on loopback pages.
set -euo pipefail
cd "$(dirname "$0")"
./setup.sh
BINARY="${QUILLMARK_BINARY:-../../build/app/quillmark}"
if [ -z "${QUILLMARK_BINARY:-}" ]; then
    ../../scripts/build.sh >&2
fi
exec python3 bench.py --binary "$BINARY" "$@"
