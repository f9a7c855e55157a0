#!/usr/bin/env bash
# Checks a built Debian package (scripts/package.sh prints its path): its file list holds what the
# install rules promise, apt can install it, the man page renders without warnings, the man page and
# the completion know every option of "quillmark convert", and the program unpacked into a fresh root
# runs from there, finding its share files through its own install prefix.
set -uo pipefail
cd "$(dirname "$0")/../.."
deb=${1:?usage: check-package.sh PACKAGE.deb}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
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

listed=$(dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|')
holds_promised_files() {
    local missing=()
    local path
    for path in /usr/bin/quillmark /usr/share/man/man1/quillmark.1.gz \
        /usr/share/bash-completion/completions/quillmark \
        /usr/share/applications/quillmark.desktop /usr/share/icons/hicolor/scalable/apps/quillmark.svg \
        /usr/share/doc/quillmark/copyright /usr/share/doc/quillmark/changelog.gz; do
        grep -qxF "$path" <<<"$listed" || missing+=("$path")
    done
    grep -qx '/usr/share/metainfo/.*\.metainfo\.xml' <<<"$listed" || missing+=(/usr/share/metainfo/ID.metainfo.xml)
    while IFS= read -r file; do
        grep -qxF "/usr/share/quillmark/${file#share/}" <<<"$listed" || missing+=("/usr/share/quillmark/${file#share/}")
    done < <(git ls-files share)
    [ ${#missing[@]} -eq 0 ] || { printf 'not in the package: %s\n' "${missing[@]}"; return 1; }
}
check "the package holds the program, its share files and its desktop integration" holds_promised_files

# Every dependency names a package apt can find and install beside what is here.
check "apt can install the package with its dependencies" apt-get install --simulate -q "$(realpath "$deb")"

dpkg-deb -x "$deb" "$root"
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

completes() { # words typed, then the completions expected
    local typed=$1 expected=$2
    # shellcheck disable=SC1091
    source /usr/share/bash-completion/bash_completion
    # shellcheck disable=SC1091
    source "$root/usr/share/bash-completion/completions/quillmark"
    read -ra COMP_WORDS <<<"$typed"
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$typed
    COMP_POINT=${#typed}
    _quillmark quillmark "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    [ "${COMPREPLY[*]}" = "$expected" ] || { echo "\"$typed\" completes to \"${COMPREPLY[*]}\""; return 1; }
}
check "the completion offers options and their values" bash -c "$(declare -f completes); root=$root
    completes 'quillmark convert --for' '--format' && completes 'quillmark convert -f P' 'PNG PDF'"

version=$(dpkg-deb -f "$deb" Version)
check "the installed program says the package's version" test "$("$program" --version)" = "quillmark $version"

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
check "the installed program converts the bundled sample page from its share folder" converts_the_bundled_sample

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
