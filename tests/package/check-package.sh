#!/usr/bin/env bash
# Checks the built Debian packages (scripts/package.sh prints their paths): quillmark-cli, the commands
# for a server without a desktop, and quillmark, the desktop program that depends on it. Their file
# lists hold what the install rules promise, apt can install them (quillmark-cli alone too), the man
# page renders without warnings, the man page and the completion know every option of convert, and
# the programs unpacked into fresh roots run from there, finding their share files through their own
# install prefix: quillmark-cli alone converts a local page and loads no window library.
set -uo pipefail
cd "$(dirname "$0")/../.."
usage="usage: check-package.sh QUILLMARK-CLI.deb QUILLMARK.deb"
cli_deb=${1:?$usage}
desktop_deb=${2:?$usage}
root=$(mktemp -d)
server=$(mktemp -d)
trap 'rm -rf "$root" "$server"' EXIT
failed=0
passed=0
check() { # name, then the command that must succeed
    local name=$1
    shift
    local why
    if why=$("$@" 2>&1); then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $name"
        [ -n "$why" ] && sed 's/^/    /' <<<"$why"
    fi
}

holds() { # package, then the paths it must hold
    local deb=$1 listed path missing=()
    shift
    listed=$(dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|')
    for path in "$@"; do
        grep -qxF "$path" <<<"$listed" || missing+=("$path")
    done
    [ ${#missing[@]} -eq 0 ] || { printf 'not in %s: %s\n' "$(basename "$deb")" "${missing[@]}"; return 1; }
}
# The share files the commands read are quillmark-cli's, the others the desktop's.
installed() { git ls-files "$@" | sed 's|^share/|/usr/share/quillmark/|'; }
mapfile -t cli_share < <(installed share/settings.dat share/sample)
mapfile -t desktop_share < <(installed share ':!share/settings.dat' ':!share/sample')
check "quillmark-cli holds the program, its man pages, completions and share files" holds "$cli_deb" \
    /usr/bin/quillmark-cli /usr/share/man/man1/quillmark.1.gz /usr/share/man/man1/quillmark-cli.1.gz \
    /usr/share/bash-completion/completions/quillmark /usr/share/bash-completion/completions/quillmark-cli \
    /usr/share/doc/quillmark-cli/copyright /usr/share/doc/quillmark-cli/changelog.gz "${cli_share[@]}"
metainfo=$(dpkg-deb -c "$desktop_deb" | awk '{ print $6 }' | grep -o '/usr/share/metainfo/.*\.metainfo\.xml$')
check "quillmark holds the desktop program, its share files and its desktop integration" holds "$desktop_deb" \
    /usr/bin/quillmark /usr/share/applications/quillmark.desktop /usr/share/icons/hicolor/scalable/apps/quillmark.svg \
    /usr/share/doc/quillmark/copyright /usr/share/doc/quillmark/changelog.gz \
    "${metainfo:-/usr/share/metainfo/ID.metainfo.xml}" "${desktop_share[@]}"

version=$(dpkg-deb -f "$desktop_deb" Version)
depends_on_cli() {
    local depends
    depends=$(dpkg-deb -f "$desktop_deb" Depends)
    [[ ", $depends," == *", quillmark-cli (= $version),"* ]] || { echo "Depends: $depends"; return 1; }
}
check "quillmark depends on quillmark-cli of its version" depends_on_cli
# Qt Gui (libqt6gui6) depends on X11, xcb and EGL libraries itself on Debian 12; nothing else may.
names_no_window_package() {
    local depends
    depends=$(dpkg-deb -f "$cli_deb" Depends)
    ! grep -oE '(^|, |\| )(libqt6(widgets|svg|opengl|printsupport)[a-z0-9-]*|libx11[a-z0-9-]*|libxcb[a-z0-9-]*|libegl[a-z0-9-]*|libgl[a-z0-9-]*|libopengl[a-z0-9-]*|libwayland[a-z0-9-]*|quillmark)\b' <<<"$depends"
}
check "quillmark-cli's dependencies name no window library and not the desktop" names_no_window_package

# Every dependency names a package apt can find and install beside what is here.
check "apt can install quillmark-cli alone" apt-get install --simulate -q "$(realpath "$cli_deb")"
check "apt can install both packages" apt-get install --simulate -q "$(realpath "$cli_deb")" "$(realpath "$desktop_deb")"

dpkg-deb -x "$cli_deb" "$server"
dpkg-deb -x "$cli_deb" "$root"
dpkg-deb -x "$desktop_deb" "$root"
man_renders_cleanly() {
    local warnings
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$root/usr/share/man/man1/quillmark.1.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || { echo "$warnings"; return 1; }
}
check "the man page renders without warnings" man_renders_cleanly

program=$root/usr/bin/quillmark
documents_every_option() {
    local page completion option missing=()
    page=$(MANWIDTH=200 man -l "$root/usr/share/man/man1/quillmark.1.gz" 2>/dev/null)
    completion=$(<"$root/usr/share/bash-completion/completions/quillmark")
    for option in $("$program" convert --help | grep -oE -- '(^|[ ,])--?[a-z][a-z-]*' | tr -d ' ,' | sort -u); do
        grep -qwe "$option" <<<"$page" || missing+=("$option (man page)")
        grep -qwe "$option" <<<"$completion" || missing+=("$option (completion)")
    done
    [ ${#missing[@]} -eq 0 ] || { printf 'not documented: %s\n' "${missing[@]}"; return 1; }
}
check "the man page and the completion name every option of convert --help" documents_every_option

completes() { # the program's completion file, the words typed, then the completions expected
    local file=$1 typed=$2 expected=$3
    # shellcheck disable=SC1091
    source /usr/share/bash-completion/bash_completion
    # shellcheck disable=SC1090
    source "$file"
    read -ra COMP_WORDS <<<"$typed"
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$typed
    COMP_POINT=${#typed}
    local function
    function=$(complete -p "${COMP_WORDS[0]}" | grep -oE -- '-F [^ ]+' | cut -c4-)
    "$function" "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    [ "${COMPREPLY[*]}" = "$expected" ] || { echo "\"$typed\" completes to \"${COMPREPLY[*]}\""; return 1; }
}
completions=$root/usr/share/bash-completion/completions
check "the completion offers options and their values" bash -c "$(declare -f completes)
    completes $completions/quillmark 'quillmark convert --for' '--format' &&
    completes $completions/quillmark 'quillmark convert -f P' 'PNG PDF' &&
    completes $completions/quillmark-cli 'quillmark-cli convert --for' '--format'"

check "the installed programs say the package's version" test "$("$program" --version) $("$root/usr/bin/quillmark-cli" --version)" \
    = "quillmark $version quillmark-cli $version"

converts_the_bundled_sample() {
    local out json
    json=$(env -u QUILLMARK_SHARE "$program" convert --home "$root/home" -o "$root/out" --json -q) || {
        echo "exit status $?"
        return 1
    }
    # The sample page is read from the unpacked share folder, not from the source tree.
    grep -qF "\"address\":\"file://$root/usr/share/quillmark/sample/sample.html\"" <<<"$json" || {
        echo "$json"
        return 1
    }
    out=$(ls "$root"/out/*.png 2>/dev/null)
    [ -s "$out" ] && [ -f "$root/home/settings.dat" ] || { echo "no picture or no first-run settings: $json"; return 1; }
}
check "quillmark convert, installed, converts the bundled sample page from its share folder" converts_the_bundled_sample

# The server: quillmark-cli unpacked alone.
converts_a_local_page() {
    local json
    mkdir -p "$server/pages"
    printf '<!doctype html><title>Server</title><p style="font: 40px serif">on a server\n' >"$server/pages/page.html"
    json=$(env -u QUILLMARK_SHARE -u DISPLAY -u WAYLAND_DISPLAY "$server/usr/bin/quillmark-cli" convert \
        --home "$server/home" -o "$server/out" --json -q "$server/pages/page.html") || {
        echo "exit status $?"
        return 1
    }
    grep -qF '"status":"OK"' <<<"$json" && [ -s "$(ls "$server"/out/*.png 2>/dev/null)" ] || { echo "$json"; return 1; }
}
check "quillmark-cli alone converts a local page" converts_a_local_page

loads_no_window_library() {
    local binary=$server/usr/bin/quillmark-cli libraries gui own found=()
    libraries=$(ldd "$binary") || return 1
    own=$(readelf -d "$binary" | grep -oP '\(NEEDED\).*\[\K[^]]+')
    gui=$(ldd "$(awk '$1 ~ /^libQt6Gui\.so/ { print $3 }' <<<"$libraries")")
    grep -qE 'libQt6(Widgets|Svg)' <<<"$libraries" && found+=("Qt Widgets or Svg")
    grep -E '^lib(X|xcb|EGL|GL|OpenGL|wayland)' <<<"$own" && found+=("a display library of its own")
    while read -r library; do
        grep -qE "^\s*$library\s" <<<"$gui" || found+=("$library, which Qt Gui does not bring")
    done < <(grep -oE '^\s*lib(X|xcb|EGL|GL|OpenGL|wayland)[^ ]*' <<<"$libraries")
    [ ${#found[@]} -eq 0 ] || { printf 'loads %s\n' "${found[@]}"; return 1; }
}
check "quillmark-cli loads no Widgets or Svg, and no display library but Qt Gui's" loads_no_window_library

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
