#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: the desktop build, then the build without windows
# (the command line alone), each with its tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
scripts/build.sh build-nogui -DQUILLMARK_GUI=OFF
# Every tracked source is formatted as .clang-format says.
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
scripts/check-layers.sh build-nogui
# The Debian package of the desktop build: built, checked, unpacked into a fresh root and run from there.
deb=$(scripts/package.sh build | tail -n 1)
tests/package/check-package.sh "$deb"
(cd build && ctest --output-on-failure -j 2 "$@")
cd build-nogui
ctest --output-on-failure -j 2 "$@"
