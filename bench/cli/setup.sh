#!/usr/bin/env bash
# Installs what the command-line benchmark needs: the corpus (Debian's packaged manuals, which nobody here
# wrote), the peers (wkhtmltoimage/wkhtmltopdf, CutyCapt under Xvfb), chromium-headless-shell as an engine
# option for Quillmark, perf for profile.py, and Node.js with playwright-core in this folder. No browser is
# downloaded: Playwright drives Debian's Chromium.
set -euo pipefail
cd "$(dirname "$0")"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
PACKAGES=(postgresql-doc-15 debian-reference-en cmake-doc wkhtmltopdf cutycapt xvfb xauth chromium-headless-shell
          linux-perf)
MISSING=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f '${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || MISSING+=("$p")
done
# A Node.js from elsewhere (with its own npm) is fine; Debian's packages only when there is none.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    MISSING+=(nodejs npm)
fi
if [ "${#MISSING[@]}" -gt 0 ]; then
    $SUDO apt-get update
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${MISSING[@]}"
fi
if [ ! -d node_modules/playwright-core ]; then
    [ -f package.json ] || echo '{ "private": true }' > package.json
    PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm install --no-audit --no-fund playwright-core
fi
