#!/usr/bin/env bash
# Reads every document made from the real receiver logs back with GDAL's LIBKML
# driver (Debian gdal-bin), plain and with --any-talker --line --altitude-mode
# absolute: the features must be the placemarks the converter reported (one
# more where a line is drawn), none at 0,0, and every <when> must give GDAL a
# time. Prints the failures and one summary line.
# Usage: tests/real_reader.sh SENTROVA_CONVERT [LOG_FOLDER]
# Exit status: 0 all read back, 1 a failure or no GDAL, 77 no logs (skipped).
set -uo pipefail
convert=$1
folder=${2:-$(cd "$(dirname "$0")/.." && pwd)/../shared/testdata/nmea-real}
if [ ! -d "$folder" ]; then
  echo "real reader: skipped, no real logs at $folder"
  exit 77
fi
if ! command -v ogr2ogr >/dev/null || ! ogrinfo --formats 2>/dev/null | grep -q LIBKML; then
  echo "real reader: FAILED, GDAL's ogr2ogr with the LIBKML driver is missing (install gdal-bin)"
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One document: converts, reads it back, writes "features times" or a failure
# line into the job's result file.
check() {
  local n=$1 log=$2 opts=$3 kml="$work/$1.kml" result="$work/$1.result"
  local err placemarks lines csv features zero times whens
  # shellcheck disable=SC2086
  if ! err=$("$convert" $opts -o "$kml" "$log" 2>&1); then
    echo "FAIL [$opts] $log: the converter failed: $err" >"$result"
    return
  fi
  placemarks=$(sed -n 's/.*, \([0-9][0-9]*\) placemarks\($\|,\| (\).*/\1/p' <<<"$err")
  lines=$(grep -c '<LineString>' "$kml")
  # KML's other driver is skipped, so that LIBKML reads the document.
  if ! csv=$(ogr2ogr --config GDAL_SKIP KML -f CSV /vsistdout/ "$kml" -select timestamp \
               -lco GEOMETRY=AS_WKT 2>"$work/$n.gdal") || [ -s "$work/$n.gdal" ]; then
    echo "FAIL [$opts] $log: GDAL: $(head -c 300 "$work/$n.gdal")" >"$result"
    return
  fi
  features=$(tail -n +2 <<<"$csv" | grep -c .)
  # A point or a line vertex at 0,0; the WKT is "x y z".
  zero=$(grep -cE '(\(|,)-?0(\.0+)? -?0(\.0+)? ' <<<"$csv")
  times=$(grep -c '^"POINT[^"]*",[^,]' <<<"$csv")
  whens=$(grep -c '<when>' "$kml")
  local why=""
  [ "$features" -eq $((placemarks + lines)) ] ||
    why+=" $features features for $placemarks placemarks and $lines lines;"
  [ "$zero" -eq 0 ] || why+=" $zero features at 0,0;"
  [ "$times" -eq "$whens" ] || why+=" $times times from GDAL for $whens <when>;"
  if [ -n "$why" ]; then
    echo "FAIL [$opts] $log:$why" >"$result"
  else
    echo "$features $times" >"$result"
  fi
}
export -f check
export convert work

n=0
for log in "$folder"/*; do
  case $log in *.md|*.json|*.py) continue ;; esac
  [ -f "$log" ] || continue
  for opts in "" "--any-talker --line --altitude-mode absolute"; do
    n=$((n + 1))
    printf '%s\0%s\0%s\0' "$n" "$log" "$opts"
  done
done | xargs -0 -n 3 -P "${JOBS:-2}" bash -c 'check "$@"' _

documents=0 failed=0 features=0 times=0
for result in "$work"/*.result; do
  [ -f "$result" ] || continue
  documents=$((documents + 1))
  if grep -q '^FAIL' "$result"; then
    failed=$((failed + 1))
    cat "$result"
  else
    read -r f t <"$result"
    features=$((features + f)) times=$((times + t))
  fi
done
echo "real reader: $documents documents read back with GDAL LIBKML, $features features, $times times, $failed failed"
[ "$documents" -gt 0 ] && [ "$failed" -eq 0 ]
