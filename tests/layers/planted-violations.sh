#!/usr/bin/env bash
# Plants one violation of each rule of scripts/check-layers.sh in a copy of the tree (and of this
# build's programs) and checks that the script fails on it, naming it; the copy without them passes.
# usage: planted-violations.sh DESKTOP_PROGRAM HEADLESS_PROGRAM ON|OFF (the build has windows)
set -uo pipefail
source_tree=$(cd "$(dirname "$0")/../.." && pwd)
desktop=${1:?usage: planted-violations.sh DESKTOP_PROGRAM HEADLESS_PROGRAM ON|OFF}
headless=${2:?usage: planted-violations.sh DESKTOP_PROGRAM HEADLESS_PROGRAM ON|OFF}
with_windows=${3:?usage: planted-violations.sh DESKTOP_PROGRAM HEADLESS_PROGRAM ON|OFF}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The copy holds what the script reads: sources, CMake lists, .gitignore and the script itself.
pristine=$work/pristine
mkdir -p "$pristine"
(cd "$source_tree" && git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' '*CMakeLists.txt' '*.cmake' \
    .gitignore scripts/check-layers.sh | while IFS= read -r file; do
    [ -f "$file" ] && cp --parents -- "$file" "$pristine"
done)
git -C "$pristine" init -q

in_tree() { # file, then its text
    mkdir -p "$(dirname "$tree/$1")"
    printf '%s\n' "$2" >"$tree/$1"
}
listed() { # CMake list, then the line added to it
    printf '%s\n' "$2" >>"$tree/$1"
}
# Types and headers of several layers that the planted files use.
tree=$pristine
in_tree platform/PlantedBase.h $'#pragma once\n\nnamespace qm {\nstruct PlantedBase\n{\n};\n} // namespace qm'
listed platform/CMakeLists.txt 'target_sources(qm_platform PRIVATE PlantedBase.h)'
in_tree platform/cdp/PlantedBrowser.h $'#pragma once\n\nnamespace qm::cdp {\nclass PlantedBrowser\n{\n};\n} // namespace qm::cdp'
listed platform/cdp/CMakeLists.txt 'target_sources(qm_cdp PRIVATE PlantedBrowser.h)'
in_tree app/PlantedCore.h $'#pragma once\n\nnamespace qm {\nclass PlantedCore\n{\n};\n} // namespace qm'
in_tree app/PlantedWindow.h $'#pragma once\n\nnamespace qm {\nclass PlantedWindow\n{\n};\n} // namespace qm'
listed app/CMakeLists.txt $'target_sources(qm_app PRIVATE PlantedCore.h)\ntarget_sources(qm_app_ui PRIVATE PlantedWindow.h)'
mkdir -p "$work/build/app"
cp "$desktop" "$work/build/app/quillmark"
cp "$headless" "$work/build/app/quillmark-cli"

failed=0
passed=0
run_check() { # plant (a function), build folder; leaves the script's status and output
    rm -rf "$work/tree"
    cp -a "$pristine" "$work/tree"
    tree=$work/tree
    "$1"
    output=$("$tree/scripts/check-layers.sh" "$2" 2>&1)
    status=$?
}
fails() { # what it plants, the message expected (a grep -E pattern), the plant, and a build folder
    run_check "$3" "${4:-$work/build}"
    if [ "$status" -ne 0 ] && grep -qE -- "$2" <<<"$output"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $1 (exit status $status; expected a line matching: $2)"
        sed 's/^/    /' <<<"$output"
    fi
}
passes() { # what it plants, the plant
    run_check "$2" "$work/build"
    if [ "$status" -eq 0 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $1 should pass"
        sed 's/^/    /' <<<"$output"
    fi
}
in_platform() { # the text of platform/Planted.cpp, in qm_platform
    in_tree platform/Planted.cpp "$1"
    listed platform/CMakeLists.txt 'target_sources(qm_platform PRIVATE Planted.cpp)'
}
in_app_core() { # the text of app/PlantedUse.h, in qm_app
    in_tree app/PlantedUse.h "$1"
    listed app/CMakeLists.txt 'target_sources(qm_app PRIVATE PlantedUse.h)'
}

nothing() { :; }
passes "the tree as it is, with this build's programs" nothing

comments_and_strings() {
    in_platform $'// #include <app/PlantedCore.h>\n/* class QWidget; */\nconst char* page = R"js({ "}": "#include <QLabel>" })js";\nconst char* brace = "{";\nnamespace qm { class PlantedBase; }'
}
passes "includes and declarations in comments and strings" comments_and_strings

angle() { in_platform '#include <app/PlantedCore.h>'; }
fails "an include in angle brackets" '^platform/Planted.cpp:1: includes app/PlantedCore.h: platform may not depend on app$' angle
indented() { in_platform $'int planted = 0;\n    #   include "app/PlantedCore.h"'; }
fails "an indented include, spaces after the #" '^platform/Planted.cpp:2: includes app/PlantedCore.h: platform may not depend on app$' indented
relative() { in_platform '#include "../app/PlantedCore.h"'; }
fails "a relative include" '^platform/Planted.cpp:1: includes app/PlantedCore.h: platform may not depend on app$' relative
commented() { in_platform $'#include /* the core */ <app/PlantedCore.h>\n#include \\\n    "app/PlantedCore.h"'; }
fails "an include with a comment inside, and one continued on the next line" \
    '^platform/Planted.cpp:2: includes app/PlantedCore.h: platform may not depend on app$' commented
computed() { in_platform $'#define PLANTED "app/PlantedCore.h"\n#include PLANTED'; }
fails "an include of a macro" '^platform/Planted.cpp:2: an include of a macro' computed
test_code() {
    in_tree tests/support/PlantedHelper.h '#pragma once'
    in_platform '#include "tests/support/PlantedHelper.h"'
}
fails "an include of test code" 'includes tests/support/PlantedHelper.h: tests/support is not part of the program' test_code
widgets_header() { in_platform '#include <QLabel>'; }
fails "a Qt Widgets header in a layer without windows" "^platform/Planted.cpp:1: includes <QLabel>, Qt's window classes in a file without windows$" widgets_header
widgets_module() { in_platform '#include <QtSvg/QSvgRenderer>'; }
fails "a Qt Svg header by its module path" "includes <QtSvg/QSvgRenderer>, Qt's window classes" widgets_module
window_file() { in_app_core '#include "app/PlantedWindow.h"'; }
fails "a window file included by a file without windows of its folder" \
    '^app/PlantedUse.h:1: includes app/PlantedWindow.h, a window file in a file without windows$' window_file

widget_declared() { in_platform $'#include <QString>\n\nclass QWidget;'; }
fails "a Qt Widgets class declared in a layer without windows" \
    "^platform/Planted.cpp:3: declares QWidget, Qt's window class in a file without windows$" widget_declared
widget_used() { in_platform $'#include "platform/PlantedBase.h"\n\nvoid plant(QWidget* parent);'; }
fails "a Qt Widgets class named without a declaration of its own" \
    "^platform/Planted.cpp:3: uses QWidget, Qt's window class in a file without windows$" widget_used
higher_declared() { in_platform 'namespace qm::cdp { class PLANTED_EXPORT PlantedBrowser; }'; }
fails "a type of a higher layer declared" \
    '^platform/Planted.cpp:1: declares qm::cdp::PlantedBrowser of platform/cdp/PlantedBrowser.h: platform may not depend on platform/cdp$' \
    higher_declared
higher_declared_nested() { in_platform $'namespace qm {\nstruct PlantedBase;\nnamespace cdp {\n    class PlantedBrowser;\n}\n} // namespace qm'; }
fails "a type of a higher layer declared in nested namespaces" \
    '^platform/Planted.cpp:4: declares qm::cdp::PlantedBrowser of platform/cdp/PlantedBrowser.h' higher_declared_nested
window_declared() { in_app_core $'namespace qm {\nclass PlantedWindow;\n}'; }
fails "a window class of its own folder declared by a file without windows" \
    '^app/PlantedUse.h:2: declares qm::PlantedWindow of app/PlantedWindow.h, a window class in a file without windows$' \
    window_declared

unlinked_include() {
    in_tree platform/Planted.cpp '#include "platform/PlantedBase.h"'
    listed platform/CMakeLists.txt 'qm_library(qm_planted SOURCES Planted.cpp)'
}
fails "an include of a library not linked" \
    '^platform/CMakeLists.txt: qm_planted does not link qm_platform, though platform/Planted.cpp:1 includes it$' unlinked_include
unused_link() {
    in_tree platform/Planted.cpp 'int planted = 0;'
    listed platform/CMakeLists.txt 'qm_library(qm_planted SOURCES Planted.cpp DEPS qm_platform)'
}
fails "a library linked with no include of it" \
    '^platform/CMakeLists.txt: qm_planted links qm_platform, though none of its files includes one of qm_platform$' unused_link
widgets_linked() { listed platform/CMakeLists.txt 'target_link_libraries(qm_platform PUBLIC Qt6::Widgets)'; }
fails "Qt Widgets linked by a library without windows" \
    '^platform/CMakeLists.txt: qm_platform links Qt6::Widgets, but has no windows$' widgets_linked
unlisted() { in_tree platform/Unlisted.cpp 'int unlisted = 0;'; }
fails "a source in no CMake list" '^platform/Unlisted.cpp is in no target' unlisted
no_layer() {
    in_tree toolbox/Tool.cpp 'int tool = 0;'
    in_tree toolbox/CMakeLists.txt 'qm_library(qm_toolbox SOURCES Tool.cpp)'
}
fails "a folder without a layer" '^toolbox/Tool.cpp: its folder toolbox has no layer' no_layer
pending_kept() { sed -i "s|^export QM_PENDING_FILES='|&platform/PlantedBase.h |" "$tree/scripts/check-layers.sh"; }
fails "an exemption no longer needed" '^platform/PlantedBase.h keeps to the rules now' pending_kept

# The programs: a fake build folder each.
fake_build() { # folder, desktop program, headless program
    mkdir -p "$1/app"
    cp "$2" "$1/app/quillmark"
    cp "$3" "$1/app/quillmark-cli"
    chmod +x "$1/app/quillmark" "$1/app/quillmark-cli"
}
gui=$(ldd "$headless" | awk '$1 ~ /^libQt6Gui\.so/ { print $3 }')
fake_build "$work/gui-linked" "$desktop" "$gui"
fails "a headless program that needs X11 and EGL itself" 'app/quillmark-cli needs libX11\.so\.6 itself' nothing \
    "$work/gui-linked"
mkdir -p "$work/unbuilt/app"
cp "$headless" "$work/unbuilt/app/quillmark-cli"
fails "an installed program missing from the build" 'unbuilt/app/quillmark is not built$' nothing "$work/unbuilt"
if [ "$with_windows" = ON ]; then
    fake_build "$work/widgets-linked" "$desktop" "$desktop"
    fails "a headless program linking Qt Widgets" "app/quillmark-cli links Qt's window library libQt6Widgets" nothing \
        "$work/widgets-linked"
    fake_build "$work/without-windows" "$desktop" "$headless"
    echo 'QUILLMARK_GUI:BOOL=OFF' >"$work/without-windows/CMakeCache.txt"
    fails "a build without windows whose program links Qt Widgets" \
        "app/quillmark links Qt's window library libQt6Widgets" nothing "$work/without-windows"
fi

echo "layers: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
