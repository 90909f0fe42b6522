#!/usr/bin/env bash
# What line numbers cost: Tintext with and without /linenumbers=1 on 18.5 MB
# of JavaScript (jquery.js 64x, from bench/inputs.sh) and on an input of
# about 1 GB (jquery.js repeated), the runs alternating. With --baseline
# another build (an older commit, say) runs alongside, so that old and new
# are measured in one run, and both must write the same pages.
# Prints per input, build and mode: the best and median wall seconds, their
# spread (slowest less fastest), the best CPU seconds (user + system), the
# peak resident memory; then what the line numbers add to each build (best
# with against best without, wall and CPU).
#   bench/line_numbers.sh [--runs N] [--big-runs N] [--big-mb MB] [--work DIR]
#                         [--baseline BINARY] [tintext-binary]
# Runs: N (default 5) on 18.5 MB, --big-runs (default 2) on the large input;
# --big-mb 0 leaves it out. The large input and the pages are made in a new
# folder under DIR (default /tmp; it needs about eight times the input free)
# and deleted at the end.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
runs=5
big_runs=2
big_mb=1024
workroot=/tmp
binary=$repo/build/app/tintext
baseline=
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --big-runs) big_runs=$2; shift 2 ;;
    --big-mb) big_mb=$2; shift 2 ;;
    --work) workroot=$2; shift 2 ;;
    --baseline) baseline=$2; shift 2 ;;
    *) binary=$1; shift ;;
  esac
done
[ -x "$binary" ] || { echo "no program at $binary (build first)" >&2; exit 1; }
[ -z "$baseline" ] || [ -x "$baseline" ] || { echo "no program at $baseline" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 1; }

work=$(mktemp -d "$workroot/tintext-line-numbers.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$repo/bench/inputs.sh" "$work/in" > /dev/null
inputs=("$work/in/jquery-64x.js")
if [ "$big_mb" -gt 0 ]; then
  need=$((big_mb * 8 * 1024))
  free=$(df -Pk "$work" | awk 'NR == 2 { print $4 }')
  [ "$free" -gt "$need" ] || { echo "$work has $((free / 1024)) MB free; the large input needs about $((need / 1024))" >&2; exit 1; }
  copies=$(( (big_mb * 1024 * 1024 + $(stat -c %s "$work/in/jquery.js") - 1) / $(stat -c %s "$work/in/jquery.js") ))
  for ((k = 0; k < copies; k++)); do cat "$work/in/jquery.js"; done > "$work/in/jquery-big.js"
  inputs+=("$work/in/jquery-big.js")
fi

builds=(tintext)
[ -n "$baseline" ] && builds=(tintext baseline)
program() { if [ "$1" = baseline ]; then echo "$baseline"; else echo "$binary"; fi; }

# One run: appends "wall cpu kilobytes" to the build's and mode's results.
run() {  # run BUILD MODE INPUT OUTPUT
  local out=$4 result
  rm -f "$out"
  result=$(/usr/bin/time -f '%e %U %S %M' "$(program "$1")" "/in=$3" "/out=$out" "/hld=$repo/hld/js.hld" \
             /showoutput=0 "/linenumbers=$2" 2>&1 > /dev/null | tail -n 1)
  [ -s "$out" ] || { echo "  (failed: $1 /linenumbers=$2 on $3: $result)" >&2; return; }
  awk -v r="$result" 'BEGIN { split(r, f, " "); printf "%s %.2f %s\n", f[1], f[2] + f[3], f[4] }' >> "$work/results-$1-$2"
}

report() {  # report NAME BYTES
  printf '%-14s %-9s %-5s %8s %8s %7s %8s %8s\n' input build lines best_s median_s spread best_cpu peak_MB
  for build in "${builds[@]}"; do
    for mode in 0 1; do
      sort -n "$work/results-$build-$mode" | awk -v n="$1" -v b="$build" -v m="$mode" '
        { wall[NR] = $1; cpu[NR] = $2; if ($3 > peak) peak = $3 }
        END { best_cpu = cpu[1]; for (i = 2; i <= NR; i++) if (cpu[i] < best_cpu) best_cpu = cpu[i]
              printf "%-14s %-9s %-5s %8.2f %8.2f %7.2f %8.2f %8.1f\n", n, b, (m ? "on" : "off"),
                     wall[1], wall[int((NR + 1) / 2)], wall[NR] - wall[1], best_cpu, peak / 1024 }'
    done
    paste <(sort -n "$work/results-$build-0" | head -n 1) <(sort -n "$work/results-$build-1" | head -n 1) \
      <(sort -n -k2 "$work/results-$build-0" | head -n 1) <(sort -n -k2 "$work/results-$build-1" | head -n 1) |
      awk -v n="$1" -v b="$build" '{ printf "%-14s %-9s line numbers add %+.1f%% wall, %+.1f%% CPU (best against best)\n",
                                       n, b, ($4 / $1 - 1) * 100, ($11 / $8 - 1) * 100 }'
  done
}

for input in "${inputs[@]}"; do
  name=$(basename "$input")
  rm -f "$work"/results-*
  count=$runs
  [ "$input" = "$work/in/jquery-big.js" ] && count=$big_runs
  for ((r = 0; r < count; r++)); do
    for mode in 0 1; do
      for build in "${builds[@]}"; do run "$build" "$mode" "$input" "$work/out-$build.html"; done
      if [ -n "$baseline" ] && [ $r -eq 0 ]; then
        cmp -s "$work/out-tintext.html" "$work/out-baseline.html" ||
          echo "  OUTPUT CHANGED for $name with /linenumbers=$mode" >&2
      fi
      rm -f "$work"/out-*.html
    done
  done
  awk -v n="$name" -v b="$(stat -c %s "$input")" 'BEGIN { printf "%s: %.1f MB\n", n, b / 1e6 }'
  report "$name"
  echo
done
