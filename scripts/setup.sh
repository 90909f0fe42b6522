#!/usr/bin/env bash
# Installs the Debian packages that building and testing Tintext needs.
# Only missing packages are installed, so a second run is quick.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake ninja-build g++ pkg-config
  libpcre2-dev libuchardet-dev qt6-base-dev unixodbc-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth
  python3-html5lib
  man-db groff-base
)
# The browser tests drive Debian's chromium; a developer build skips them
# when it is missing, CI installs it (or set TINTEXT_BROWSER_TESTS=1).
if [ -n "${CI:-}" ] || [ -n "${TINTEXT_BROWSER_TESTS:-}" ]; then
  packages+=(chromium)
  command -v npm > /dev/null || packages+=(nodejs npm)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# playwright-core drives the browser; its own browser download is not used.
if { [ -n "${CI:-}" ] || [ -n "${TINTEXT_BROWSER_TESTS:-}" ]; } && [ ! -d tests/browser/node_modules/playwright-core ]; then
  echo "Installing playwright-core for the browser tests"
  PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm install --prefix tests/browser --no-audit --no-fund --no-package-lock --loglevel=error
fi
