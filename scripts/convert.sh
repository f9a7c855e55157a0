#!/usr/bin/env bash
# Sets up, builds and converts: the given addresses, or the bundled sample page when none is given.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh >&2
exec build/app/quillmark convert "$@"
