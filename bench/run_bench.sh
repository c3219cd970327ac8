#!/usr/bin/env bash
# make bench: converts generated logs of several sizes with sentrova-convert
# (into a file and into /dev/null), with gpsbabel and with a plain I/O floor
# (each into the page cache, and the file and the floor again through to disk),
# and prints throughput and peak memory side by side, then the same for the
# GPX, KML track, CSV and KMZ documents against gpsbabel writing the same
# format, then the ratios, the gain of -j 2 over -j 1 and the micro-benchmarks.
#
# Environment:
#   BENCH_RUNS=3             runs per figure (the median is shown)
#   BENCH_SIZES="10 100 1000" log sizes in MB (10^6 bytes)
#   BENCH_GPSBABEL_MAX_MB=N  skip gpsbabel on logs larger than N MB (~2 min a run on 1 GB)
#   BENCH_JOBS_LOGS=8 BENCH_JOBS_MB=50   the -j 1 / -j 2 comparison; BENCH_JOBS_LOGS=0 skips it
#   BENCH_MICRO=0            skip the micro-benchmarks
#   BENCH_BUILD=DIR          build folder (default build-bench)
#   PROFILE=1                the profile-guided build (default: the plain one, as make build)
#   BENCH_REF=BINARY         another sentrova-convert (say the build before a change),
#                            measured right after ours on every figure of the conversions
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BENCH_BUILD:-$root/build-bench}
runs=${BENCH_RUNS:-3}
sizes=${BENCH_SIZES:-10 100 1000}
babel_max=${BENCH_GPSBABEL_MAX_MB:-}
jobs_logs=${BENCH_JOBS_LOGS:-8}
jobs_mb=${BENCH_JOBS_MB:-50}
micro=${BENCH_MICRO:-1}
data=$build/bench-data

# ---- set-up: only the missing Debian packages --------------------------------
missing=()
for p in gpsbabel time libbenchmark-dev qt6-base-dev cmake g++ make; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The build make build gives, with PROFILE=1 the profile-guided one.
echo "Build: $([ "${PROFILE:-0}" != 0 ] && echo profile-guided || echo plain) (PROFILE=${PROFILE:-0})"
PROFILE=${PROFILE:-0} JOBS=${JOBS:-2} "$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=Release -DSENTROVA_WITH_BENCH=ON \
  -DSENTROVA_WITH_APP=ON -DBUILD_TESTING=OFF >/dev/null
convert=$build/cli/sentrova-convert
generate=$build/bench/generate_log
mkdir -p "$data"

# A log is generated once and kept until the generator changes.
log_of() { # size_mb [seed] -> path
  local mb=$1 seed=${2:-1} path
  path=$data/log-${mb}MB-s${seed}.nmea
  if [ ! -s "$path" ] || [ "$generate" -nt "$path" ]; then
    echo "  (generating $path)" >&2
    "$generate" "$mb" "$path" --seed "$seed"
  fi
  echo "$path"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Runs a command BENCH_RUNS times; prints the medians "wall_seconds peak_rss_kb cpu_seconds".
measure() {
  local times=() rss=() cpu=() start end
  for ((i = 0; i < runs; i++)); do
    # Every run writes new files: ext4 flushes a file renamed over an older
    # one at once, which would measure the disk instead of the converter. And
    # no run starts while the kernel still writes back an earlier run's output.
    rm -f "$data/out.kml" "$data/floor.out" "$data"/log-*MB-s1??.kml "$data"/out-doc.*
    sync
    start=$(date +%s%N)
    /usr/bin/time -v -o "$data/time.txt" "$@" >/dev/null 2>"$data/stderr.txt" || {
      echo "failed: $*" >&2
      cat "$data/stderr.txt" >&2
      return 1
    }
    end=$(date +%s%N)
    times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", (b - a) / 1e9 }')")
    rss+=("$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$data/time.txt")")
    cpu+=("$(awk -F': ' '/User time|System time/ { s += $2 } END { print s }' "$data/time.txt")")
  done
  echo "$(printf '%s\n' "${times[@]}" | median) $(printf '%s\n' "${rss[@]}" | median) $(printf '%s\n' "${cpu[@]}" | median)"
}

floor_copy() { # log kml_bytes out: read the log, write as many bytes as our KML holds
  dd if="$1" of=/dev/null bs=1M status=none
  dd if=/dev/zero of="$3" bs=1M count="$2" iflag=count_bytes status=none
}
export -f floor_copy

row() { # label size_bytes "seconds rss_kb cpu_seconds"
  local label=$1 bytes=$2 t rss cpu
  read -r t rss cpu <<<"$3"
  awk -v l="$label" -v b="$bytes" -v t="$t" -v r="$rss" -v c="$cpu" \
    'BEGIN { per_cpu = 0; if (c > 0) per_cpu = b / 1e6 / c
             printf "  %-40s %8.1f %8.3f %10.1f %8.2f %10.1f\n", l, b / 1e6 / t, t, r / 1024, c, per_cpu }'
}
header() {
  printf "  %-40s %8s %8s %10s %8s %10s\n" "" "MB/s" "wall s" "peak RSS" "CPU s" "MB/CPU-s"
}

echo
echo "Sentrova conversion benchmark: medians of $runs runs, warm page cache, $(nproc) cores"
echo "$(uname -r); $(gpsbabel -V 2>/dev/null | grep -o 'GPSBabel Version [0-9.]*' || echo gpsbabel)"
# The converters compared: ours, and with BENCH_REF the binary given there
# (say the build before a change), measured right after ours on every figure.
converters=(ours)
ref=${BENCH_REF:-}
if [ -n "$ref" ]; then
  [ -x "$ref" ] || { echo "BENCH_REF=$ref is not an executable" >&2; exit 1; }
  converters+=(ref)
  echo "Reference (back to back with ours on every figure): $ref"
fi
binary_of() { if [ "$1" = ours ]; then echo "$convert"; else echo "$ref"; fi; }
label_of() { if [ "$1" = ours ]; then echo "sentrova-convert"; else echo "reference"; fi; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

declare -A ratios targets
for mb in $sizes; do
  log=$(log_of "$mb")
  bytes=$(stat -c %s "$log")
  echo
  echo "log of $mb MB ($bytes bytes, $(grep -c '^\$GPGGA' "$log") fixes); MB/s of input, peak RSS in MB"
  header
  with_babel=0
  if [ -z "$babel_max" ] || [ "$mb" -le "$babel_max" ]; then with_babel=1; fi
  declare -A file=() file_disk=() null=()
  for c in "${converters[@]}"; do
    bin=$(binary_of "$c")
    file[$c]=$(measure "$bin" -q -f -o "$data/out.kml" "$log")
    kml_bytes=$(stat -c %s "$data/out.kml")
    # Written through to the disk.
    file_disk[$c]=$(measure bash -c '"$@" && sync' _ "$bin" -q -f -o "$data/out.kml" "$log")
    null[$c]=$(measure "$bin" -q -f -o /dev/null "$log")
  done
  floor=$(measure bash -c 'floor_copy "$@"' _ "$log" "$kml_bytes" "$data/floor.out")
  floor_disk=$(measure bash -c 'floor_copy "$@" && sync' _ "$log" "$kml_bytes" "$data/floor.out")
  for c in "${converters[@]}"; do
    row "$(label_of "$c") -o FILE" "$bytes" "${file[$c]}"
    row "$(label_of "$c") -o FILE, then sync" "$bytes" "${file_disk[$c]}"
    row "$(label_of "$c") -o /dev/null" "$bytes" "${null[$c]}"
  done
  babel=""
  if [ $with_babel = 1 ]; then
    babel=$(measure env TZ=UTC gpsbabel -i nmea -f "$log" -o kml -F "$data/out.kml")
    row "TZ=UTC gpsbabel -i nmea -o kml" "$bytes" "$babel"
  else
    echo "  gpsbabel skipped (BENCH_GPSBABEL_MAX_MB=$babel_max)"
  fi
  row "I/O floor (dd: read log, write $((kml_bytes / 1000000)) MB)" "$bytes" "$floor"
  row "I/O floor, then sync" "$bytes" "$floor_disk"
  for c in "${converters[@]}"; do
    read -r t rss _ <<<"${file[$c]}"
    line="into a file $(ratio "$t" "${floor%% *}")x the I/O floor's time, then sync $(ratio "${file_disk[$c]%% *}" "${floor_disk%% *}")x"
    [ -n "$babel" ] && line="$line; $(ratio "${babel%% *}" "$t")x gpsbabel's speed"
    line="$line; peak RSS $(awk -v r="$rss" 'BEGIN { printf "%.1f", r / 1024 }') MB"
    ratios[$mb,$c]=$line
    targets[$mb,$c]="then sync $(ratio "${file_disk[$c]%% *}" "${floor_disk%% *}") (<= 2)"
    [ -n "$babel" ] && targets[$mb,$c]="${targets[$mb,$c]}, kml $(ratio "${babel%% *}" "$t") (>= 25)"
    targets[$mb,$c]="${targets[$mb,$c]}, RSS $(awk -v r="$rss" 'BEGIN { printf "%.1f", r / 1024 }') MB (<= 16)"
  done
  rm -f "$data/out.kml" "$data/floor.out"

  # The other documents, each against gpsbabel writing the same format.
  echo "  other documents"
  for doc in gpx kml-track csv kmz; do
    case $doc in
      gpx) ours=(--format gpx) ext=gpx babel_out=gpx ;;
      kml-track) ours=(--format kml-track) ext=kml babel_out=kml,track=1,points=0 ;;
      # -t: unicsv writes waypoints only unless the track is turned into them.
      csv) ours=(--format csv) ext=csv babel_out=unicsv ;;
      kmz) ours=(--format kml-track --kmz) ext=kmz babel_out="" ;;
    esac
    declare -A mine=()
    for c in "${converters[@]}"; do
      mine[$c]=$(measure "$(binary_of "$c")" -q -f "${ours[@]}" -o "$data/out-doc.$ext" "$log")
      row "$(label_of "$c") ${ours[*]}" "$bytes" "${mine[$c]}"
    done
    if [ -n "$babel_out" ] && [ $with_babel = 1 ]; then
      babel_t=()
      [ "$doc" = csv ] && babel_t=(-t)
      theirs=$(measure env TZ=UTC gpsbabel "${babel_t[@]}" -i nmea -f "$log" -o "$babel_out" -F "$data/out-doc.$ext")
      row "TZ=UTC gpsbabel -o $babel_out" "$bytes" "$theirs"
      for c in "${converters[@]}"; do
        ratios[$mb,$c]="${ratios[$mb,$c]}; $doc $(ratio "${theirs%% *}" "${mine[$c]%% *}")x"
        targets[$mb,$c]="${targets[$mb,$c]}, $doc $(ratio "${theirs%% *}" "${mine[$c]%% *}") (>= 20)"
      done
    fi
  done
  rm -f "$data"/out-doc.*
done

echo
echo "Ratios (time against the I/O floor's; speed against gpsbabel writing the same format)"
for mb in $sizes; do
  for c in "${converters[@]}"; do echo "  $mb MB, $(label_of "$c"): ${ratios[$mb,$c]}"; done
done
echo "Targets"
for mb in $sizes; do
  for c in "${converters[@]}"; do echo "  $mb MB, $(label_of "$c"): ${targets[$mb,$c]}"; done
done
echo "Load while measuring: $(uptime | sed 's/.*load average/load average/')"

if [ "$jobs_logs" -gt 0 ]; then
  echo
  echo "Many files: $jobs_logs logs of $jobs_mb MB"
  logs=()
  for ((s = 1; s <= jobs_logs; s++)); do logs+=("$(log_of "$jobs_mb" "$((100 + s))")"); done
  header
  j1=$(measure "$convert" -q -f -j 1 "${logs[@]}")
  j2=$(measure "$convert" -q -f -j 2 "${logs[@]}")
  total=$((jobs_logs * $(stat -c %s "${logs[0]}")))
  row "sentrova-convert -j 1" "$total" "$j1"
  row "sentrova-convert -j 2" "$total" "$j2"
  awk -v a="${j1%% *}" -v b="${j2%% *}" 'BEGIN { printf "  -j 2 takes %.2f of the time of -j 1\n", b / a }'
  rm -f "$data"/log-"${jobs_mb}"MB-s1??.kml
fi

# Flushing a replaced KML to disk, on the 100 MB log (or the smallest size measured).
flush_log_mb=100
case " $sizes " in *" 100 "*) ;; *) flush_log_mb=${sizes%% *} ;; esac
echo
echo "Replacing a KML flushes it to disk first: the $flush_log_mb MB log, medians of $runs runs"
"$root/bench/flush_cost.sh" "$convert" "$(log_of "$flush_log_mb")" "$runs"

# The window's Go on the 100 MB log (or the smallest size measured), to "Done !!":
# the pause before reading plus the conversion and the result's summary pass on
# its thread, against the batch converter's KML and report into files.
window_log_mb=100
case " $sizes " in *" 100 "*) ;; *) window_log_mb=${sizes%% *} ;; esac
if [ -x "$build/bench/window_timing" ]; then
  echo
  echo "The window: Go on the $window_log_mb MB log (offscreen), medians of $runs runs"
  log=$(log_of "$window_log_mb")
  wt=()
  for ((i = 0; i < runs; i++)); do
    sync
    wt+=("$(QT_QPA_PLATFORM=offscreen "$build/bench/window_timing" "$log" 2>"$data/stderr.txt")") || {
      echo "failed: window_timing $log" >&2
      cat "$data/stderr.txt" >&2
      exit 1
    }
  done
  cli=$(measure "$convert" -q -f -o "$data/out.kml" "$log")
  page=$(measure "$convert" -q -f --format report -o "$data/out.html" "$log")
  rm -f "$data/out.kml" "$data/out.html"
  printf '%s\n' "${wt[@]}" | sort -g | awk -v c="${cli%% *}" -v r="${page%% *}" '{ v[NR] = $0 } END {
    split(v[int((NR + 1) / 2)], m, " ")
    printf "  Go to Done: %.3f s = %.3f s of pause + %.3f s; sentrova-convert -o FILE: %.3f s, --format report: %.3f s\n", m[1], m[2], m[3], c, r }'
fi

# The report against the GPX of the same log: time, peak RSS and the page's
# size, each with its bound, on the logs of 100 MB and more.
echo
echo "The report (--format report) against --format gpx on the same log, medians of $runs runs"
for mb in $sizes; do
  [ "$mb" -ge 100 ] || continue
  log=$(log_of "$mb")
  gpx=$(measure "$convert" -q -f --format gpx -o "$data/out-report.gpx" "$log")
  page=$(measure "$convert" -q -f --format report -o "$data/out-report.html" "$log")
  awk -v mb="$mb" -v g="${gpx%% *}" -v p="$page" -v s="$(stat -c %s "$data/out-report.html")" 'BEGIN {
    split(p, m, " ")
    printf "  %s MB: report %.2f s, gpx %.2f s: %.2fx (<= 1.5); peak RSS %.1f MB (<= 32); page %.2f MB (<= 2)\n",
      mb, m[1], g, m[1] / g, m[2] / 1024, s / 1048576 }'
  rm -f "$data"/out-report.*
done

if [ "$micro" != 0 ]; then
  echo
  echo "Micro-benchmarks"
  "$build/bench/sentrova_micro_benchmarks" --benchmark_min_time="${BENCH_MICRO_MIN_TIME:-0.3}" 2>&1 |
    grep -v -e '^\*\*\*WARNING' -e '^Load Average'
fi
