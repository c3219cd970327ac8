#!/usr/bin/env bash
# flush_cost.sh CONVERTER LOG [RUNS]
# What flushing a replaced KML to disk costs: the same log converted into a
# new file (not flushed: the log is still there) and over an existing KML
# (flushed before the rename, and the folder after it). Medians of RUNS runs
# of the wall time; before each run earlier output is written back (sync), so
# that a run pays only for its own flush.
set -euo pipefail
convert=$1 log=$2 runs=${3:-3}
out=$(mktemp -d "$(dirname "$log")/flush-XXXXXX")
trap 'rm -rf "$out"' EXIT

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

time_run() { # replace|new -> seconds
  rm -f "$out/out.kml"
  [ "$1" = replace ] && printf '<kml>the document of an earlier run</kml>\r\n' >"$out/out.kml"
  sync
  local start end
  start=$(date +%s%N)
  "$convert" -q -f -o "$out/out.kml" "$log"
  end=$(date +%s%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f\n", (b - a) / 1e9 }'
}

new=() replace=()
for ((i = 0; i < runs; i++)); do
  new+=("$(time_run new)")
  replace+=("$(time_run replace)")
done
n=$(printf '%s\n' "${new[@]}" | median)
r=$(printf '%s\n' "${replace[@]}" | median)
bytes=$(stat -c %s "$out/out.kml")
awk -v n="$n" -v r="$r" -v b="$bytes" -v l="$(stat -c %s "$log")" 'BEGIN {
  printf "  new KML (no flush)                     %8.3f s  %8.1f MB/s of input\n", n, l / 1e6 / n
  printf "  replacing a KML (flushed, %4d MB)     %8.3f s  %8.1f MB/s of input\n", b / 1e6, r, l / 1e6 / r
  printf "  the flush adds %.3f s (%.0f%%)\n", r - n, (r - n) / n * 100 }'
