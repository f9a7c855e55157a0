#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
# Every tracked source is formatted as .clang-format says.
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
cd build
ctest --output-on-failure -j 2 "$@"
