#!/usr/bin/env bash
# Every file the help pages link or show (stylesheets, images, other pages,
# the themes in hld/) exists where the page's own folder leads; addresses with
# a scheme and links within the page are left to the browser.
#   tests/help_links_test.sh [repository]
set -euo pipefail
repo=${1:-$(cd "$(dirname "$0")/.." && pwd)}
broken=0
for page in "$repo"/help/HTML/*.htm; do
  folder=$(dirname "$page")
  while IFS= read -r target; do
    target=${target#*=\"}
    target=${target%\"}
    target=${target%%#*}
    case $target in '' | *:*) continue ;; esac
    if [ ! -e "$folder/$target" ]; then
      echo "$(basename "$page"): $target: no such file" >&2
      broken=1
    fi
  done < <(grep -o -E '(href|src)="[^"]*"' "$page")
done
exit $broken
