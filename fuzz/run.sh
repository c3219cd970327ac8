#!/usr/bin/env bash
# Builds the fuzz targets and runs each for SECONDS seconds from the committed
# seeds. New inputs go to BUILD/corpus/<target>, crashes to BUILD/artifacts/.
# Usage: fuzz/run.sh [SECONDS] [BUILD]
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$root/build-fuzz}
jobs=${JOBS:-2}

cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j "$jobs"

mkdir -p "$build/artifacts"
status=0
for target in sentence_fuzz conversion_fuzz track_fuzz; do
  seeds="$root/fuzz/corpus/${target%_fuzz}"
  work="$build/corpus/${target%_fuzz}"
  mkdir -p "$work"
  case $target in
    sentence_fuzz) max_len=1024 ;;  # a few lines; each is cut at 99 characters
    *) max_len=16384 ;;
  esac
  echo "== $target for ${seconds}s"
  if ! "$build/$target" "$work" "$seeds" -max_total_time="$seconds" -max_len="$max_len" \
        -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target-" >"$build/$target.log" 2>&1; then
    status=1
    echo "$target FAILED; its log: $build/$target.log" >&2
    tail -n 40 "$build/$target.log" >&2
  fi
  grep -E '^stat::number_of_executed_units|^Done [0-9]+ runs' "$build/$target.log" || true
done
exit $status
