#!/usr/bin/env bash
# Photographs a converted example in each theme (headless chromium) into
# help/HTML/images/theme-*.png, which the help page and the README show.
#   scripts/web-screenshots.sh [build-folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
[ -x "$build/app/tintext" ] || { echo "web-screenshots.sh: build first (no $build/app/tintext)" >&2; exit 1; }
TINTEXT_BROWSER_TESTS=1 scripts/setup.sh
node tests/browser/screenshots.mjs "$build/app/tintext" . help/HTML/images
