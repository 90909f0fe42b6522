#!/usr/bin/env bash
# A folder run over a very large tree of empty files (default 100,000, in
# 100 folders: .asp and .js files, and .none files that no definition
# serves): its time and peak memory, then those of a second run that finds
# every page up to date, and whether the index links every page and nothing
# else. The tree is made in /tmp and removed.
# Usage: bench/empty_tree.sh [--files N] [--binary build/app/tintext]
set -euo pipefail
cd "$(dirname "$0")/.."
files=100000 binary=build/app/tintext
while [[ $# -gt 0 ]]; do
    case $1 in
        --files) files=$2; shift 2 ;;
        --binary) binary=$2; shift 2 ;;
        *) echo "unknown argument $1" >&2; exit 2 ;;
    esac
done
binary=$(realpath "$binary")
work=$(mktemp -d /tmp/tintext-empty-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

python3 - "$work/src" "$files" <<'PY'
import os, sys
root, count = sys.argv[1], int(sys.argv[2])
extensions = ["asp", "js", "none"]
for i in range(count):
    folder = os.path.join(root, f"d{i % 100}")
    os.makedirs(folder, exist_ok=True)
    open(os.path.join(folder, f"f{i}.{extensions[i % 3]}"), "wb").close()
PY
served=$(find "$work/src" -type f \( -name '*.asp' -o -name '*.js' \) | wc -l)

run() { /usr/bin/time -f '%e s, peak %M KB, exit status %x' "$binary" --quiet /in="$work/src" /out="$work/site" 2>&1 >/dev/null | tail -1; }
first=$(run)
again=$(run)
pages=$(find "$work/site" -name '*.htm' | wc -l)
linked=$(grep -o 'href="[^"]*\.htm"' "$work/site/index.html" | sort -u | wc -l)

echo "tree: $files empty files, $served of them served by a definition"
echo "first run:            $first"
echo "second run (skipped): $again"
echo "pages: $pages, pages the index links: $linked"
[[ $pages == "$served" && $linked == "$served" ]] && echo "index: every page linked" || echo "index: WRONG"
