#!/usr/bin/env bash
# A folder run against one process per file, on a tree generated here: FILES
# files (default 4000) of the languages in Examples/, in nested folders,
# from a few hundred bytes to about 100 KB (each sample repeated 1 to 64
# times). Prints, from one run: the shell loop with one process per file,
# the folder run with /jobs=1, /jobs=2 and the default, a second run over the
# unchanged tree, and the peak memory of the folder run beside that of the
# largest file alone. With --repeat N, /jobs=1 and /jobs=2 are run N more
# times in turn, and the best and slowest of each are printed (on a shared
# machine one pair alone says little). With --under DIR the tree and pages
# are made there: /dev/shm keeps the disk's write-back, which makes single
# runs wander by a third on a virtual machine, out of the figures.
# Usage: bench/folder_tree.sh [--files N] [--binary build/app/tintext] [--keep] [--repeat N] [--under DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
files=4000 binary=build/app/tintext keep=0 repeat=0 under=/tmp
while [[ $# -gt 0 ]]; do
    case $1 in
        --files) files=$2; shift 2 ;;
        --binary) binary=$2; shift 2 ;;
        --keep) keep=1; shift ;;
        --repeat) repeat=$2; shift 2 ;;
        --under) under=$2; shift 2 ;;
        *) echo "unknown argument $1" >&2; exit 2 ;;
    esac
done
binary=$(realpath "$binary")
work=$(mktemp -d "$under/tintext-folder-bench-XXXXXX")
[[ $keep == 1 ]] || trap 'rm -rf "$work"' EXIT

python3 - "$work/src" "$files" Examples <<'PY'
import os, random, sys
root, count, examples = sys.argv[1], int(sys.argv[2]), sys.argv[3]
samples = sorted(f for f in os.listdir(examples) if os.path.isfile(os.path.join(examples, f)))
# Seeded with the file count: a given count gives the same tree on every run,
# so that timings of two builds can be set side by side.
choose = random.Random(count).choice
for i in range(count):
    sample = samples[i % len(samples)]
    text = open(os.path.join(examples, sample), 'rb').read()
    repeat = choose([1, 1, 1, 2, 2, 4, 8, 16, 64])
    folder = os.path.join(root, f"d{i % 17}", f"e{i % 5}") if i % 3 else os.path.join(root, f"d{i % 11}")
    os.makedirs(folder, exist_ok=True)
    name = f"f{i}-{sample}"
    open(os.path.join(folder, name), 'wb').write(text * repeat)
PY
size=$(du -sb "$work/src" | cut -f1)
echo "tree: $(find "$work/src" -type f | wc -l) files, $((size / 1024)) KB, $(nproc) online processors"

seconds() { local start end; start=$(date +%s.%N); "$@"; end=$(date +%s.%N); awk "BEGIN { print $end - $start }"; }
ratio() { awk "BEGIN { print $1 / $2 }"; }
loop() {
    (cd "$work/src" && find . -type f -printf '%P\n') | while IFS= read -r rel; do
        mkdir -p "$work/loop/$(dirname "$rel")"
        "$binary" --quiet /overwrite=1 /showoutput=0 "/in=$work/src/$rel" "/out=$work/loop/$rel.htm" || true
    done
}
folder() { "$binary" --quiet /in="$work/src" /out="$work/$1" /overwrite=1 /force=1 "${@:2}"; }

t_loop=$(seconds loop)
t_one=$(seconds folder one /jobs=1)
t_two=$(seconds folder two /jobs=2)
t_all=$(seconds folder all)
t_again=$("$binary" --quiet /in="$work/src" /out="$work/all" >/dev/null 2>&1; seconds "$binary" --quiet /in="$work/src" /out="$work/all")
largest=$(find "$work/src" -type f -printf '%s %p\n' | sort -n | tail -1 | cut -d' ' -f2-)
rss_one=$(/usr/bin/time -f %M "$binary" --quiet /overwrite=1 "/in=$largest" "/out=$work/largest.htm" 2>&1 >/dev/null | tail -1)
rss_all=$(/usr/bin/time -f %M "$binary" --quiet /in="$work/src" /out="$work/rss" 2>&1 >/dev/null | tail -1)
pages=$(find "$work/all" -name '*.htm' | wc -l)

printf '%-40s %8.2f s\n' "one process per file (shell loop)" "$t_loop"
printf '%-40s %8.2f s  %5.1fx the loop\n' "folder run /jobs=1" "$t_one" "$(ratio "$t_loop" "$t_one")"
printf '%-40s %8.2f s  %5.1fx the loop, %4.2fx /jobs=1\n' "folder run /jobs=2" "$t_two" \
    "$(ratio "$t_loop" "$t_two")" "$(ratio "$t_one" "$t_two")"
printf '%-40s %8.2f s  %5.1fx the loop\n' "folder run, default jobs" "$t_all" "$(ratio "$t_loop" "$t_all")"
printf '%-40s %8.2f s\n' "second run, tree unchanged" "$t_again"
printf '%-40s %8d KB\n' "peak memory, the largest file alone" "$rss_one"
printf '%-40s %8d KB\n' "peak memory, the folder run" "$rss_all"
echo "pages written: $pages"

if [[ $repeat -gt 0 ]]; then
    ones=() twos=()
    # Into an empty folder each time, as the first runs: a page that replaces
    # another is flushed to the disk first, which would be measured instead.
    for ((i = 0; i < repeat; i++)); do
        rm -rf "$work/one" "$work/two"
        ones+=("$(seconds folder one /jobs=1)")
        rm -rf "$work/one" "$work/two"
        twos+=("$(seconds folder two /jobs=2)")
    done
    range() { printf '%s\n' "$@" | sort -g | awk 'NR == 1 { b = $1 } { w = $1 } END { printf "best %.2f s, slowest %.2f s", b, w }'; }
    best() { printf '%s\n' "$@" | sort -g | head -1; }
    echo "$repeat more runs each: /jobs=1 $(range "${ones[@]}"); /jobs=2 $(range "${twos[@]}")"
    printf '/jobs=2 against /jobs=1, best against best: %4.2fx; per pair: %s\n' \
        "$(ratio "$(best "${ones[@]}")" "$(best "${twos[@]}")")" \
        "$(for ((i = 0; i < repeat; i++)); do printf '%.2fx ' "$(ratio "${ones[i]}" "${twos[i]}")"; done)"
fi
