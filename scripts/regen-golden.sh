#!/usr/bin/env bash
# Golden pages: the HTML that the program writes for every file in Examples/
# (as a fragment without its stylesheet),
# with the definition it picks for that file by itself, kept as
# tests/golden/<example file name>.htm; and for a few examples repeated to
# 64 KB and more (so that a page crosses the program's internal blocks and
# windows), as tests/golden/repeated-<example file name>.htm. Run this after
# a change of output that is meant, and commit the pages with the change.
# With --check (what the test suite runs) nothing is written: each page that
# differs is shown as a diff, a page without an example or an example without
# a page is named, and the exit status is 1 when anything differs.
#   scripts/regen-golden.sh [--check] [tintext-binary]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
check=0
binary=$repo/build/app/tintext
for arg in "$@"; do
  case $arg in
    --check) check=1 ;;
    *) binary=$arg ;;
  esac
done
[ -x "$binary" ] || { echo "no program at $binary (build first)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# No dialogs and no stored settings of the user's: a plain terminal run.
unset DISPLAY WAYLAND_DISPLAY
export TINTEXT_REGISTRY_DIR=$work/registry

golden=$repo/tests/golden
mkdir -p "$golden"
status=0
repeated=(asp-ex1.asp js-ex1.js)
inputs=()
for example in "$repo"/Examples/*; do
  [ -f "$example" ] && inputs+=("$example")
done
for name in "${repeated[@]}"; do
  [ -f "$repo/Examples/$name" ] || continue
  mkdir -p "$work/repeated"
  while [ "$(stat -c %s "$work/repeated/repeated-$name" 2> /dev/null || echo 0)" -lt 65536 ]; do
    cat "$repo/Examples/$name" >> "$work/repeated/repeated-$name"
  done
  inputs+=("$work/repeated/repeated-$name")
done
for example in "${inputs[@]}"; do
  name=$(basename "$example")
  page=$work/$name.htm
  # A fragment without the stylesheet: the formatted text alone, which a
  # change of the themes does not touch (tests/page_test covers the page).
  if ! "$binary" "/in=$example" "/out=$page" /overwrite=1 /showoutput=0 /fragment=1 /css=none > "$work/stdout" 2> "$work/stderr" ||
    [ ! -f "$page" ]; then
    echo "$name: no page written: $(tail -n 3 "$work/stderr")" >&2
    status=1
    continue
  fi
  if [ "$check" = 0 ]; then
    cp "$page" "$golden/$name.htm"
  elif [ ! -f "$golden/$name.htm" ]; then
    echo "$name: no golden page tests/golden/$name.htm (make it with scripts/regen-golden.sh)" >&2
    status=1
  elif ! cmp -s "$golden/$name.htm" "$page"; then
    echo "$name: the page differs from tests/golden/$name.htm (- kept, + now):" >&2
    # One tag or text per line, so that a change shows as the tokens it touched.
    diff -u --label "kept $name.htm" --label "now $name.htm" \
      <(sed 's/</\n</g' "$golden/$name.htm") <(sed 's/</\n</g' "$page") | head -n 80 >&2 || true
    status=1
  fi
done
for kept in "$golden"/*.htm; do
  [ -f "$kept" ] || continue
  name=$(basename "$kept" .htm)
  if [ ! -f "$repo/Examples/${name#repeated-}" ]; then
    if [ "$check" = 1 ]; then
      echo "tests/golden/$name.htm: no example Examples/$name any more" >&2
      status=1
    else
      rm "$kept"
    fi
  fi
done
[ "$check" = 1 ] && [ "$status" = 0 ] && echo "every example gives its golden page"
exit $status
