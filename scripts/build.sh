#!/usr/bin/env bash
# build.sh BUILD [cmake flags...]: the release build. With PROFILE=1 the
# conversion core and the batch converter are optimised from a profile of the
# bundled sample log (GCC's profile-guided optimisation, twice the build time):
# an instrumented converter is built in BUILD-profile and converts the sample
# into every document format; its profile, recorded afresh on every
# build so that it always matches the sources, then guides the build in BUILD.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(mkdir -p "$1" && cd "$1" && pwd)
shift
jobs=${JOBS:-$(nproc)}
profiled=()

if [ "${PROFILE:-0}" != 0 ]; then
  instrumented=$build-profile
  data=$instrumented/data
  if cmake -S "$root" -B "$instrumented" -DCMAKE_BUILD_TYPE=Release -DSENTROVA_WITH_APP=OFF \
       -DBUILD_TESTING=OFF -DSENTROVA_PROFILE=generate -DSENTROVA_PROFILE_DIR="$data" >/dev/null &&
     cmake --build "$instrumented" -j "$jobs" --target sentrova-convert >/dev/null &&
     rm -rf "$data" &&
     # Every document, so that none is laid out as code the profile never saw run.
     (for format in kml gpx kml-track csv; do
       "$instrumented/cli/sentrova-convert" --quiet --force --format "$format" -o /dev/null \
         "$root/examples/drive.nmea" || exit 1
     done); then
    profiled=(-DSENTROVA_PROFILE=use -DSENTROVA_PROFILE_DIR="$data")
  else
    echo "build.sh: recording the profile failed; building without it" >&2
  fi
fi
[ ${#profiled[@]} -gt 0 ] || profiled=(-DSENTROVA_PROFILE=)

cmake -S "$root" -B "$build" "$@" "${profiled[@]}"
cmake --build "$build" -j "$jobs"
