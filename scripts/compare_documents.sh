#!/usr/bin/env bash
# compare_documents.sh REFERENCE_CONVERT NEW_CONVERT [EXTRA_LOG...]
# Converts every real log, the sample, the fuzz seeds and any extra logs with
# both converters under six option sets and reports each difference in the
# document, the exit status or the summary line (folder names aside).
# Prints "N conversions, M differ" last; exits 1 when any differ.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
ref=$1 new=$2
shift 2
logs=()
for f in "$root"/../shared/testdata/nmea-real/* "$root"/examples/*.nmea "$root"/fuzz/corpus/*/* "$@"; do
  case $f in *.md|*.json|*.py|*MANIFEST*) continue ;; esac
  [ -f "$f" ] && logs+=("$f")
done
optionsets=("" "-k" "--any-talker" "--any-talker --line --altitude-mode absolute -c green"
            "--bad-checksum skip --skip-invalid" "--every 3 --line -c orange")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
total=0 differ=0
for opts in "${optionsets[@]}"; do
  for log in "${logs[@]}"; do
    total=$((total + 1))
    # shellcheck disable=SC2086
    "$ref" $opts -o "$work/a.kml" --force "$log" 2>"$work/a.err"; ra=$?
    # shellcheck disable=SC2086
    "$new" $opts -o "$work/b.kml" --force "$log" 2>"$work/b.err"; rb=$?
    sed -i "s|$work/[ab]\.kml|OUT|g" "$work/a.err" "$work/b.err"
    same=1
    [ $ra -eq $rb ] || same=0
    if [ -f "$work/a.kml" ] || [ -f "$work/b.kml" ]; then
      cmp -s "$work/a.kml" "$work/b.kml" || same=0
    fi
    cmp -s "$work/a.err" "$work/b.err" || same=0
    if [ $same -eq 0 ]; then
      differ=$((differ + 1))
      echo "DIFFERS [$opts] $log (exit $ra vs $rb)"
    fi
    rm -f "$work/a.kml" "$work/b.kml"
  done
done
echo "$total conversions, $differ differ"
[ $differ -eq 0 ]
