#!/usr/bin/env bash
# Photographs every dialog as a user sees it: starts the program on a virtual
# display (Xvfb), lets it open each dialog in turn (the TINTEXT_SCREENSHOTS
# hook), and saves PNGs at 100% and 200% scale under <build>/screenshots/;
# the main dialog and the definition workbench at 100% are copied into the
# help pages' images.
#   scripts/screenshots.sh [build-folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
program=$build/app/tintext-desktop  # the dialogs' program
if [ ! -x "$program" ]; then
  cmake -S . -B "$build" -G Ninja > /dev/null
  cmake --build "$build" -j2 --target tintext-desktop
fi
command -v xvfb-run > /dev/null || { echo "screenshots.sh: xvfb-run is missing (apt-get install xvfb xauth)" >&2; exit 1; }

# A settings store of its own, so every notice shows and no user setting changes.
registry=$(mktemp -d)
trap 'rm -rf "$registry"' EXIT

for scale in 1 2; do
  folder=$build/screenshots/$((scale * 100))
  rm -rf "$folder"
  mkdir -p "$folder"
  TINTEXT_REGISTRY_DIR=$registry TINTEXT_SCREENSHOTS=$(realpath "$folder") QT_SCALE_FACTOR=$scale \
    QT_QPA_PLATFORM=xcb timeout 120 xvfb-run -a -s "-screen 0 1600x1200x24" "$program" < /dev/null
  echo "$(ls "$folder" | wc -l) screenshots in $folder"
done

images=help/HTML/images
cp "$build/screenshots/100/main.png" "$images/main_dialog.png"
cp "$build/screenshots/100/workbench.png" "$images/workbench.png"
echo "help images updated in $images"
