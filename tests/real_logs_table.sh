#!/usr/bin/env bash
# Prints, per real receiver log, what the batch converter makes of it: lines,
# placemarks, unrecognised sentences, and the outcome with checksums verified.
# Usage: tests/real_logs_table.sh [sentrova-convert] [log folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
convert=${1:-$root/build-rel/cli/sentrova-convert}
folder=${2:-$root/../shared/testdata/nmea-real}
[ -x "$convert" ] || { echo "no converter at $convert (build first)" >&2; exit 1; }
[ -d "$folder" ] || { echo "no logs at $folder" >&2; exit 1; }

# "LOG -> (standard output): L lines, S sentences, U unrecognised, P placemarks[ (why none)]"
count() { sed -n "s/.* \([0-9][0-9]*\) $1.*/\1/p" <<<"$2"; }
why() { sed -n 's/.* 0 placemarks (\(.*\))$/\1/p' <<<"$1" | tr '|' '/'; }

printf '| log | lines | placemarks | unrecognised | with -k | why no placemark |\n|---|---:|---:|---:|---|---|\n'
for log in "$folder"/*; do
  case $log in *.md|*.json|*.py) continue ;; esac
  [ -f "$log" ] || continue
  report=$("$convert" -o - "$log" 2>&1 >/dev/null) || true
  checked=$("$convert" -k -o - "$log" 2>&1 >/dev/null) && outcome=ok ||
    outcome="format error at line $(sed -n 's/^.*:\([0-9][0-9]*\): NMEA format error.*/\1/p' <<<"$checked")"
  printf '| %s | %s | %s | %s | %s | %s |\n' "$(basename "$log")" "$(count lines "$report")" \
    "$(count placemarks "$report")" "$(count unrecognised "$report")" "$outcome" "$(why "$report")"
done
