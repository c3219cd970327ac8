#!/usr/bin/env bash
# The main job: the window when a display is there, otherwise the sample log
# converted from the command line.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$build/app/sentrova" ]; then
  exec "$build/app/sentrova"
fi
sample="$root/examples/drive.nmea"
out="$root/$build/drive.kml"
echo "No display found: converting the sample log $sample"
"$build/cli/sentrova-convert" --force -o "$out" "$sample"
echo "The KML went to $out ($(grep -c '<Placemark>' "$out") placemarks)."
