#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: the desktop build, then the build without windows
# (the command line alone), each with its tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
scripts/build.sh build-nogui -DQUILLMARK_GUI=OFF
# Every tracked source is formatted as .clang-format says.
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
scripts/check-layers.sh build build-nogui
# docs/architecture.md draws the folder graph the code has.
scripts/architecture.sh --check
# The Debian packages of the desktop build: built, checked, unpacked into fresh roots and run from there.
packages=$(scripts/package.sh build | tail -n 2)
mapfile -t debs <<<"$packages"
tests/package/check-package.sh "${debs[@]}"
(cd build && ctest --output-on-failure -j 2 "$@")
# The suites of the libraries alone (the engine, the pipeline, pictures, files) test the same code in both
# builds; the build without windows runs those of its programs.
cd build-nogui
ctest --output-on-failure -j 2 -E '^(engine|pipeline|imaging|foundation)$' "$@"
