#!/usr/bin/env bash
# Sets up the machine (Debian packages) and builds Quillmark into ./build, or into the folder given
# first with the CMake options that follow (scripts/build.sh build-nogui -DQUILLMARK_GUI=OFF).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${1:-build}
shift || true
scripts/setup.sh
LAUNCHER=()
if command -v ccache >/dev/null; then
    # Shared between checkouts of this tree: paths below it hash the same.
    export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
    LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMARK_WERROR=ON "${LAUNCHER[@]}" "$@" >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)"
