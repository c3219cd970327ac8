#!/usr/bin/env bash
# make package: the Debian packages sentrova-convert and sentrova, built with
# dpkg-buildpackage from a copy of the project in OUT/sentrova-VERSION, so that
# the build's files stay out of the working tree and the .deb, .buildinfo and
# .changes files land in OUT (default build-deb/), not beside the project.
# The tests run during the build (DEB_BUILD_OPTIONS=nocheck skips them).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$root/build-deb}" && cd "${1:-$root/build-deb}" && pwd)
jobs=${JOBS:-$(nproc)}
version=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)
src=$out/sentrova-$version

# The files a clone would have, with the edits not yet committed; without git,
# everything but build folders.
rm -rf "$src"
mkdir -p "$src"
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  (cd "$root" && git ls-files -z --cached --others --exclude-standard |
     while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
     tar --null -T - -cf -) | tar -xf - -C "$src"
else
  (cd "$root" && tar --exclude='./build*' --exclude='./obj-*' --exclude='./debian/.debhelper' -cf - .) |
    tar -xf - -C "$src"
fi

rm -f "$out"/sentrova*_"$version"_*.deb "$out"/sentrova_"$version"_*.buildinfo "$out"/sentrova_"$version"_*.changes
(cd "$src" && DEB_BUILD_OPTIONS="parallel=$jobs ${DEB_BUILD_OPTIONS:-}" dpkg-buildpackage -us -uc -b)
rm -rf "$src"
echo "Packages in $out:"
ls -1 "$out"/*_"$version"_*.deb
