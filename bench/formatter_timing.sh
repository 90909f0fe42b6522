#!/usr/bin/env bash
# Whole-program timing: converts jquery.js repeated 1, 4 and 64 times with the
# shipped JavaScript definition and prints, per size, the median of three
# runs in seconds, the throughput in MB/s and the peak resident memory.
# Linear cost shows as the same MB/s at every size.
#   bench/formatter_timing.sh [tintext-binary] [definition]
set -euo pipefail
cd "$(dirname "$0")/.."
binary=${1:-build/app/tintext}
definition=${2:-hld/js.hld}
sample=/usr/share/javascript/jquery/jquery.js
[ -x "$binary" ] || { echo "no program at $binary (build first)" >&2; exit 1; }
[ -f "$definition" ] || { echo "no definition at $definition" >&2; exit 1; }
[ -f "$sample" ] || { echo "$sample is missing (apt-get install libjs-jquery)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '%8s %10s %8s %10s %9s\n' copies input_MB seconds MB/s peak_MB
for copies in 1 4 64; do
  input="$work/jquery-$copies.js"
  for ((k = 0; k < copies; k++)); do cat "$sample"; done > "$input"
  bytes=$(stat -c %s "$input")
  times=()
  peak=0
  for run in 1 2 3; do
    rm -f "$work/out.htm"
    /usr/bin/time -f '%e %M' -o "$work/time" \
      "$binary" "-in=$input" "-out=$work/out.htm" "-hld=$definition" -overwrite=1 -showoutput=0 > /dev/null
    [ -s "$work/out.htm" ] || { echo "no output written for $input" >&2; exit 1; }
    read -r seconds kilobytes < "$work/time"
    times+=("$seconds")
    (( kilobytes > peak )) && peak=$kilobytes
  done
  median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 2p)
  awk -v b="$bytes" -v s="$median" -v p="$peak" -v c="$copies" \
    'BEGIN { printf "%8d %10.2f %8.2f %10.1f %9.1f\n", c, b / 1e6, s, (s > 0 ? b / 1e6 / s : 0), p / 1024 }'
done
