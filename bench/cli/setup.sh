#!/usr/bin/env bash
# Installs what the command-line benchmark compares against: Node.js with npm (Debian packages) and
# playwright-core in this folder. No browser is downloaded: Playwright drives Debian's Chromium.
set -euo pipefail
cd "$(dirname "$0")"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    $SUDO apt-get update
    $SUDO apt-get install -y nodejs npm
fi
if [ ! -d node_modules/playwright-core ]; then
    [ -f package.json ] || echo '{ "private": true }' > package.json
    PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm install --no-audit --no-fund playwright-core
fi
