#!/usr/bin/env bash
# stress_pipeline.sh [TRIALS=1000] [CONVERTER=build/cli/sentrova-convert] [LOG_MB=2]
# Ctrl-C to a pipeline, over and over: `gunzip -c LOG.gz | sentrova-convert
# --force -o OUT -` in a process group of its own gets SIGINT at a random
# moment while both cores are kept busy. After each trial OUT must be either
# the old document (interrupted; exit 130) or the complete new one (done
# before the signal; exit 0), and no temporary file may be left beside it.
# The trials take every document format in turn, packed as KMZ too.
# Prints the tally; exits 1 on any fault.
set -uo pipefail
# Started in the background by a shell without job control, we would have
# SIGINT ignored and pass that on to the converter, which keeps a signal
# ignored on entry: start again with it at its default.
if [ -z "${SENTROVA_STRESS_SIGNALS:-}" ]; then
  SENTROVA_STRESS_SIGNALS=default exec env --default-signal=INT,QUIT "$0" "$@"
fi
root=$(cd "$(dirname "$0")/.." && pwd)
trials=${1:-1000}
convert=${2:-$root/build/cli/sentrova-convert}
log_mb=${3:-2}
[ -x "$convert" ] || { echo "no converter at $convert" >&2; exit 2; }

# Beside the converter, in its build folder.
work=$(mktemp -d "$(dirname "$convert")/stress-XXXXXX")
busy=()
cleanup() {
  [ "$BASHPID" = "$$" ] || return 0 # a subshell ending is not the end
  for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

# The log: the sample drive repeated to about LOG_MB MB, compressed.
sample=$root/examples/drive.nmea
copies=$(( log_mb * 1000000 / $(stat -c %s "$sample") + 1 ))
for ((i = 0; i < copies; i++)); do cat "$sample"; done | gzip -1 >"$work/log.nmea.gz"
# The options of each format; a KMZ must hold the document of its format unpacked.
formats=("" "--kmz" "--format gpx" "--format kml-track" "--format kml-track --kmz" "--format csv")
for i in "${!formats[@]}"; do
  # shellcheck disable=SC2086
  gunzip -c "$work/log.nmea.gz" | "$convert" -q ${formats[i]% --kmz} -o "$work/expected$i" - || exit 2
  [ "${formats[i]}" = --kmz ] && cp "$work/expected0" "$work/expected$i"
done
printf '<kml>the document of an earlier run</kml>\r\n' >"$work/old.kml"

for _ in 1 2; do (while :; do :; done) & busy+=($!); disown $!; done

# How long one undisturbed trial of each format takes with the cores busy:
# the signal falls anywhere within it.
span_us=()
for i in "${!formats[@]}"; do
  start=$(date +%s%N)
  # shellcheck disable=SC2086
  gunzip -c "$work/log.nmea.gz" | "$convert" -q ${formats[i]} --force -o "$work/out.kml" -
  span_us[i]=$(( ($(date +%s%N) - start) / 1000 ))
done

IFS= read -r -d "" old <"$work/old.kml"
exec {never}<> <(:) # read -t on it is a sleep without a process
shopt -s nullglob dotglob
own_pgid=$(ps -o pgid= -p $$ | tr -d ' ')
set -m # each pipeline gets its own process group, as a shell's foreground job does
interrupted=0 completed=0 faults=0
for ((t = 1; t <= trials; t++)); do
  printf '%s' "$old" >"$work/out.kml"
  i=$((t % ${#formats[@]}))
  delay_us=$(( (RANDOM * 32768 + RANDOM) % (span_us[i] * 11 / 10 + 1) ))
  # shellcheck disable=SC2086
  gunzip -c "$work/log.nmea.gz" | "$convert" ${formats[i]} --force -o "$work/out.kml" - 2>"$work/err.txt" &
  last=$!
  # The pipeline's process group, which the shell set before going on. Taken
  # from the running converter and never our own: a lookup that came too late
  # once sent the signal to this script, whose exit trap then removed the work.
  pgid=$(ps -o pgid= -p "$last" 2>/dev/null | tr -d ' ')
  read -r -t "$(printf '%d.%06d' $((delay_us / 1000000)) $((delay_us % 1000000)))" -u "$never"
  [ -n "$pgid" ] && [ "$pgid" != "$own_pgid" ] && kill -INT -- "-$pgid" 2>/dev/null
  wait "$last"
  status=$?
  wait 2>/dev/null # gunzip too (the busy loops are disowned)
  tmps=("$work"/.*.tmp)
  kept=0
  IFS= read -r -d '' -n 200 head <"$work/out.kml" && kept=0 || { [ "$head" = "$old" ] && kept=1; }
  if [ "$kept" -eq 1 ] && [ "$status" -eq 130 ]; then
    interrupted=$((interrupted + 1))
  elif [ "$kept" -eq 0 ] && [ "$status" -eq 0 ] && if [[ ${formats[i]} == *--kmz ]]; then
    unzip -p "$work/out.kml" doc.kml | cmp -s - "$work/expected$i"
  else cmp -s "$work/out.kml" "$work/expected$i"; fi; then
    completed=$((completed + 1))
  else
    faults=$((faults + 1))
    echo "trial $t [${formats[i]}]: exit $status, $(stat -c %s "$work/out.kml") bytes in OUT: $(cat "$work/err.txt")" >&2
  fi
  if [ ${#tmps[@]} -ne 0 ]; then
    faults=$((faults + 1))
    echo "trial $t: ${#tmps[@]} temporary files left" >&2
    rm -f "${tmps[@]}"
  fi
  [ $((t % 100)) -eq 0 ] && echo "  $t trials: $interrupted interrupted, $completed completed, $faults faults" >&2
done
set +m
echo "$trials trials of Ctrl-C to gunzip -c | sentrova-convert [FORMAT] --force -o OUT - (${log_mb} MB log, both cores busy;"
echo "  formats in turn: KML, KMZ, GPX, KML track, KML track as KMZ, CSV):"
echo "  $interrupted interrupted with the old document kept, $completed completed before the signal, $faults faults"
if [ "$interrupted" -eq 0 ]; then
  echo "no trial was interrupted: the signal never arrived in time" >&2
  exit 1
fi
[ "$faults" -eq 0 ]
