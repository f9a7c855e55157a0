#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Quillmark needs.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

PACKAGES=(
    # build
    cmake ninja-build g++ pkg-config clang-format
    qt6-base-dev qt6-base-dev-tools qt6-websockets-dev qt6-svg-dev
    libgl-dev libgif-dev libimagequant-dev libwebp-dev libgtest-dev libgmock-dev libpng-dev libjpeg-dev libhiredis-dev
    # run
    qt6-image-formats-plugins qt6-qpa-plugins libqt6svg6 chromium chromium-headless-shell
    fonts-noto-color-emoji fonts-noto-cjk fonts-dejavu-core xdg-utils
    # the Debian package and its checks
    dpkg-dev file lintian desktop-file-utils appstream man-db bash-completion
    # right-to-left printing is checked on the printed sheet
    poppler-utils
    # the job queue (quillmark worker / submit; the tests start their own Redis)
    redis-server
)

need=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ "${#need[@]}" -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -q
    $SUDO apt-get install -y -q --no-install-recommends "${need[@]}"
fi
