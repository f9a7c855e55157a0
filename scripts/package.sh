#!/usr/bin/env bash
# Builds the Debian package from a build folder (build/ unless given; built first when missing) into
# <build>/package/, then checks it with lintian, desktop-file-validate and appstreamcli. Prints the
# package's path on the last line.
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
deb=$(echo "$BUILD_DIR"/package/quillmark_*_amd64.deb)
[ -f "$deb" ] || { echo "package.sh: no package was built" >&2; exit 1; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
dpkg-deb -x "$deb" "$stage"
# Errors fail; warnings are printed for a person to judge.
lintian --fail-on error "$deb" >&2
desktop-file-validate "$stage/usr/share/applications/quillmark.desktop" >&2
appstreamcli validate --no-net --explain "$stage"/usr/share/metainfo/*.metainfo.xml >&2
echo "$deb"
