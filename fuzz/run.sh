#!/usr/bin/env bash
# Builds the fuzz targets; each first replays its whole corpus (the committed
# seeds and what earlier runs found) and then runs for SECONDS seconds. The
# targets run side by side, JOBS at a time. New inputs go to
# BUILD/corpus/<target>, crashes to BUILD/artifacts/.
# Usage: fuzz/run.sh [SECONDS] [BUILD]
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$root/build-fuzz}
jobs=${JOBS:-2}
targets=(sentence_fuzz conversion_fuzz track_fuzz)

cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j "$jobs"

mkdir -p "$build/artifacts"
# One target: the replay, then the timed run; its log is BUILD/TARGET.log.
fuzz_one() {
  local target=$1 seeds work max_len
  seeds="$root/fuzz/corpus/${target%_fuzz}"
  work="$build/corpus/${target%_fuzz}"
  mkdir -p "$work"
  case $target in
    sentence_fuzz) max_len=1024 ;;  # a few lines; each is cut at 99 characters
    *) max_len=16384 ;;
  esac
  local common=(-max_len="$max_len" -timeout=20 -rss_limit_mb=2048 -artifact_prefix="$build/artifacts/$target-")
  # -runs=0 executes every input once and stops: a crash on any input that
  # was ever kept fails here, whatever the timed run happens to reach.
  "$build/$target" "${common[@]}" -runs=0 "$work" "$seeds" >"$build/$target.log" 2>&1 &&
    "$build/$target" "${common[@]}" -max_total_time="$seconds" -print_final_stats=1 "$work" "$seeds" \
      >>"$build/$target.log" 2>&1
}

pids=()
names=()
status=0
# Waits for the oldest running target and reports it.
reap() {
  local target=${names[0]}
  if wait "${pids[0]}"; then
    echo "== $target: $(grep -m1 -oE 'Done [0-9]+ runs' "$build/$target.log" | sed 's/Done/corpus replayed,/'), then" \
      "$(grep -E '^stat::number_of_executed_units' "$build/$target.log" | tail -n 1 | sed 's/.*: *//') runs"
  else
    status=1
    echo "$target FAILED; its log: $build/$target.log" >&2
    tail -n 40 "$build/$target.log" >&2
  fi
  pids=("${pids[@]:1}")
  names=("${names[@]:1}")
}
echo "== fuzz: each target replays its corpus, then runs ${seconds}s ($jobs at a time)"
for target in "${targets[@]}"; do
  [ ${#pids[@]} -lt "$jobs" ] || reap
  fuzz_one "$target" &
  pids+=($!)
  names+=("$target")
done
while [ ${#pids[@]} -gt 0 ]; do reap; done
exit $status
