#!/usr/bin/env bash
# Builds the Debian packages from a build folder (build/ unless given; built first when missing) into
# <build>/package/: quillmark-cli (the commands, for servers) and quillmark (the desktop program,
# which depends on it). Checks them with lintian, and the desktop one with desktop-file-validate and
# appstreamcli. Prints the packages' paths on the last two lines, quillmark-cli first.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${1:-build}
if [ ! -f "$BUILD_DIR/CPackConfig.cmake" ]; then
    scripts/build.sh "$BUILD_DIR" >&2
else
    scripts/setup.sh >&2
    cmake --build "$BUILD_DIR" -j 2 >&2
fi

rm -rf "$BUILD_DIR/package"
cpack -G DEB --config "$BUILD_DIR/CPackConfig.cmake" -B "$BUILD_DIR/package" >&2
rm -rf "$BUILD_DIR/package/_CPack_Packages"
cli=$(echo "$BUILD_DIR"/package/quillmark-cli_*_amd64.deb)
desktop=$(echo "$BUILD_DIR"/package/quillmark_*_amd64.deb)
for deb in "$cli" "$desktop"; do
    [ -f "$deb" ] || { echo "package.sh: $deb was not built" >&2; exit 1; }
    # Errors fail; warnings are printed for a person to judge.
    lintian --fail-on error "$deb" >&2
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
dpkg-deb -x "$desktop" "$stage"
desktop-file-validate "$stage/usr/share/applications/quillmark.desktop" >&2
appstreamcli validate --no-net --explain "$stage"/usr/share/metainfo/*.metainfo.xml >&2
echo "$cli"
echo "$desktop"
