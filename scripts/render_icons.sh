#!/usr/bin/env bash
# Renders app/sentrova.svg into the PNG sizes of the hicolor icon theme that
# desktops ask for, into app/icons/SIZExSIZE/sentrova.png. The PNGs are kept in
# the project, so that building needs no SVG renderer; run this after editing
# the SVG, and commit what it writes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" librsvg2-bin
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "$root/app/icons/${size}x${size}"
  rsvg-convert -w "$size" -h "$size" -o "$root/app/icons/${size}x${size}/sentrova.png" "$root/app/sentrova.svg"
done
echo "rendered $(ls "$root"/app/icons/*/sentrova.png | wc -l) icons into app/icons/"
