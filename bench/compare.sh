#!/usr/bin/env bash
# Tintext against general-purpose highlighters, whole process, HTML output,
# on the inputs of bench/inputs.sh. Installs the peers from Debian when
# missing, runs Tintext and each peer alternately, and prints per input and
# program: the median seconds, MB/s (input bytes / time), the peak resident
# memory, and Tintext's speed-up over each peer. With --baseline it also
# checks that the two builds of Tintext write the same pages (an
# optimisation must not change one byte; the golden pages of the test suite
# pin the output of the examples).
# Each run is timed from its start to its end by bench/timed_run.cpp, which
# also reports the peak memory; it first times a program that does nothing,
# as a yardstick for what the launching itself costs.
#   bench/compare.sh [--runs N] [--only NAME] [--baseline BINARY] [tintext-binary]
# --baseline: another build of Tintext (an older commit, say) that runs
# alongside, as "baseline", so that a change is measured in the same run.
# Runs: N (default 3) for Tintext; the peers run N times on inputs under
# 2 MB and once on larger ones, where each run takes them many seconds.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
runs=3
only=
binary=$repo/build/app/tintext
baseline=
hldfolder=${TINTEXT_HLD_FOLDER:-$repo/hld}
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    --baseline) baseline=$2; shift 2 ;;
    *) binary=$1; shift ;;
  esac
done
[ -x "$binary" ] || { echo "no program at $binary (build first)" >&2; exit 1; }

install_missing() {
  local missing=()
  command -v source-highlight > /dev/null || missing+=(source-highlight)
  command -v highlight > /dev/null || missing+=(highlight)
  [ -x /usr/bin/pygmentize ] || missing+=(python3-pygments)
  command -v kate-syntax-highlighter > /dev/null || missing+=(libkf5syntaxhighlighting-tools)
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing ${missing[*]}" >&2
  apt-get update -qq > /dev/null
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" > /dev/null
}
install_missing

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$repo/bench/inputs.sh" "$work/in" > "$work/inputs"

# The runs are timed by a small launcher rather than a shell and
# /usr/bin/time, which would add two program starts to every figure.
c++ -O2 -std=c++20 -o "$work/timed_run" "$repo/bench/timed_run.cpp"

# One timed run: prints "seconds kilobytes", or nothing when the program failed.
timed() {
  local out=$1 result
  shift
  rm -f "$out"
  if result=$("$work/timed_run" "$@" 2> "$work/stderr") && [ -s "$out" ]; then
    echo "$result"
  else
    echo "  (failed: $* : $(tail -n 1 "$work/stderr"))" >&2
  fi
}

run_tool() {  # run_tool TOOL INPUT LANGUAGE OUTPUT
  local tool=$1 input=$2 lang=$3 out=$4
  case $tool in
    tintext) timed "$out" "$binary" "/in=$input" "/out=$out" "/hld=$hldfolder/$lang" /overwrite=1 /showoutput=0 ;;
    baseline) timed "$out" "$baseline" "/in=$input" "/out=$out" "/hld=$hldfolder/$lang" /overwrite=1 /showoutput=0 ;;
    source-highlight) timed "$out" source-highlight -s "$lang" -f html -i "$input" -o "$out" ;;
    highlight) timed "$out" highlight -O html -S "$lang" -i "$input" -o "$out" ;;
    pygments) timed "$out" /usr/bin/pygmentize -l "$lang" -f html -O full -o "$out" "$input" ;;
    kate) timed "$out" kate-syntax-highlighter -s "$lang" -o "$out" "$input" ;;
  esac
}

# The page of the baseline build against Tintext's, with the first lines that differ.
check_output() {  # check_output NAME
  if cmp -s "$work/out-tintext.html" "$work/out-baseline.html"; then
    echo "  $1: the same page as the baseline's" >&2
  else
    echo "  OUTPUT CHANGED for $1 (- baseline, + tintext):" >&2
    diff <(sed 's/</\n</g' "$work/out-baseline.html") <(sed 's/</\n</g' "$work/out-tintext.html") | head -n 20 >&2 || true
  fi
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'; }

tools=(tintext source-highlight highlight pygments kate)
if [ -n "$baseline" ]; then
  [ -x "$baseline" ] || { echo "no program at $baseline" >&2; exit 1; }
  tools=(tintext baseline source-highlight highlight pygments kate)
fi
# What the launcher's own figure is for a program that does nothing.
empty=$(for ((r = 0; r < 9; r++)); do "$work/timed_run" true | cut -d' ' -f1; done | median)
echo "(a program that does nothing, /bin/true, measures $empty s here)"
printf '%-14s %-17s %8s %8s %8s %10s\n' input program seconds MB/s peak_MB speed-up
while read -r name input definition sh hl py kate; do
  [ -n "$only" ] && [ "$name" != "$only" ] && continue
  bytes=$(stat -c %s "$input")
  langs=("$definition" "$sh" "$hl" "$py" "$kate")
  [ -n "$baseline" ] && langs=("$definition" "$definition" "$sh" "$hl" "$py" "$kate")
  declare -A times=() peaks=()
  for ((r = 0; r < runs; r++)); do
    for t in "${!tools[@]}"; do
      tool=${tools[$t]}
      if [ "$tool" != tintext ] && [ "$tool" != baseline ] && [ $r -gt 0 ] && [ "$bytes" -gt 2000000 ]; then continue; fi
      result=$(run_tool "$tool" "$input" "${langs[$t]}" "$work/out-$tool.html")
      [ -n "$result" ] || continue
      read -r seconds kilobytes <<< "$result"
      times[$tool]+="$seconds "
      (( kilobytes > ${peaks[$tool]:-0} )) && peaks[$tool]=$kilobytes
      if [ "$tool" = baseline ] && [ $r -eq 0 ]; then check_output "$name"; fi
    done
  done
  tintext_seconds=$(echo "${times[tintext]:-}" | tr ' ' '\n' | grep . | median)
  for tool in "${tools[@]}"; do
    [ -n "${times[$tool]:-}" ] || { printf '%-14s %-17s %8s\n' "$name" "$tool" failed; continue; }
    seconds=$(echo "${times[$tool]}" | tr ' ' '\n' | grep . | median)
    awk -v n="$name" -v t="$tool" -v b="$bytes" -v s="$seconds" -v p="${peaks[$tool]}" -v ts="$tintext_seconds" \
      'BEGIN { s0 = (s > 0 ? s : 0.005); x = (t == "tintext" || ts == "" ? "" : sprintf("%.1fx", s0 / (ts > 0 ? ts : 0.005)));
               printf "%-14s %-17s %8.4f %8.1f %8.1f %10s\n", n, t, s, b / 1e6 / s0, p / 1024, x }'
  done
  unset times peaks
done < "$work/inputs"
