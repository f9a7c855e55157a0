#!/usr/bin/env bash
# Checks that every source is in its folder's CMake list, that every folder includes only from itself
# and the layers below it, and that the command line of a build without windows links no Qt Widgets
# (pass that build's folder).
set -euo pipefail
cd "$(dirname "$0")/.."

# Each folder with what it may include besides itself, lowest layer first.
declare -A below=(
    [platform]=""
    [platform/cdp]="platform"
    [settings]="platform"
    [capture/output]="platform platform/cdp settings"
    [capture]="platform platform/cdp settings capture/output"
    [report]="platform platform/cdp settings capture/output capture"
    [desktop]="platform platform/cdp"
    [desktop/settings]="platform platform/cdp settings capture/output capture desktop"
    [batch]="platform platform/cdp settings capture/output capture report"
    [scheduler]="platform platform/cdp settings capture/output capture report desktop"
    [browser]="platform platform/cdp settings capture/output capture desktop"
    [cli]="platform platform/cdp settings capture/output capture report batch"
    [queue]="platform platform/cdp settings capture/output capture report batch cli"
    [app]="platform platform/cdp settings capture/output capture report desktop desktop/settings batch scheduler browser"
    [app/main]="platform settings capture batch cli queue app"
    [app/screenshots]="platform platform/cdp settings capture desktop desktop/settings batch scheduler browser app"
)

status=0
# Every source is named in its folder's list (a forgotten header builds, but is not the library's).
while IFS= read -r file; do
    folder=$(dirname "$file")
    grep -qsw "$(basename "$file")" "$folder/CMakeLists.txt" "$(dirname "$folder")/CMakeLists.txt" \
        || { echo "$file is not in $folder/CMakeLists.txt"; status=1; }
done < <(git ls-files '*.cpp' '*.h' | grep -v -e '^bench/' -e '^tests/fuzz/' -e '^tests/faults/shim/')

while IFS= read -r file; do
    folder=$(dirname "$file")
    [[ -v below[$folder] ]] || { echo "$file: folder $folder has no layer in scripts/check-layers.sh"; status=1; continue; }
    while IFS= read -r included; do
        target=$(dirname "$included")
        [[ $target == "$folder" || " ${below[$folder]} " == *" $target "* ]] && continue
        echo "$file includes $included: $folder may not depend on $target"
        status=1
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done < <(git ls-files '*.cpp' '*.h' | grep -v -e '^tests/' -e '^bench/')

if [[ $# -gt 0 ]]; then
    libraries=$(ldd "$1/app/quillmark")
    if [[ $libraries == *libQt6Widgets* ]]; then
        echo "$1/app/quillmark links Qt Widgets"
        status=1
    fi
fi
exit $status
