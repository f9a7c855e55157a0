#!/usr/bin/env bash
# Sets up the machine (Debian packages) and builds Quillmark into ./build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
LAUNCHER=()
if command -v ccache >/dev/null; then
    # Shared between checkouts of this tree: paths below it hash the same.
    export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
    LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMARK_WERROR=ON "${LAUNCHER[@]}" >/dev/null
cmake --build build -j "$(nproc)"
