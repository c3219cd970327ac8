#!/usr/bin/env bash
# make package-check: builds the packages (make package), checks them with
# lintian, installs both on this machine, uses what they installed, removes
# them and checks that nothing of theirs is left. Needs root (dpkg -i); any
# sentrova packages installed before are replaced and removed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$root/build-deb}" && cd "${1:-$root/build-deb}" && pwd)
version=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)
arch=$(dpkg --print-architecture)
convert_deb=$out/sentrova-convert_${version}_$arch.deb
window_deb=$out/sentrova_${version}_$arch.deb
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

step() { printf '\n== %s\n' "$*"; }
fail() { echo "package-check: FAILED: $*" >&2; exit 1; }

[ "$(id -u)" -eq 0 ] || fail "installing the packages needs root"

step "build"
"$root/scripts/package.sh" "$out"

step "lintian (errors and warnings fail; overrides are in debian/*.lintian-overrides)"
lintian --fail-on error,warning --display-info --show-overrides "$out/sentrova_${version}_$arch.changes"
echo "lintian: no errors, no warnings"

step "install"
dpkg -i "$convert_deb" "$window_deb"

step "use"
sentrova-convert --version
sample=$(dpkg -L sentrova-convert | grep '/examples/drive\.nmea')
cp "$sample" "$work/drive.nmea"
sentrova-convert "$work/drive.nmea"
placemarks=$(grep -c '<Placemark>' "$work/drive.kml")
[ "$placemarks" -gt 0 ] || fail "the sample gave no placemark"
xmllint --noout "$work/drive.kml"
echo "converted $sample: $placemarks placemarks, well-formed"
man -w sentrova-convert
man -w sentrova
for f in /usr/share/applications/sentrova.desktop \
         /usr/share/metainfo/io.github.sentrova.Sentrova.metainfo.xml \
         /usr/share/icons/hicolor/scalable/apps/sentrova.svg \
         /usr/share/icons/hicolor/48x48/apps/sentrova.png \
         /usr/share/bash-completion/completions/sentrova-convert; do
  [ -f "$f" ] || fail "$f is not installed"
  echo "in place: $f"
done
desktop-file-validate /usr/share/applications/sentrova.desktop
appstreamcli validate --no-net /usr/share/metainfo/io.github.sentrova.Sentrova.metainfo.xml
# What a user's bash offers after "sentrova-convert --a<Tab>".
offered=$(bash -c 'source /usr/share/bash-completion/bash_completion
  source /usr/share/bash-completion/completions/sentrova-convert
  COMP_WORDS=(sentrova-convert --a); COMP_CWORD=1; COMP_LINE="sentrova-convert --a"; COMP_POINT=${#COMP_LINE}
  _sentrova_convert sentrova-convert --a sentrova-convert; echo "${COMPREPLY[*]}"')
echo "bash completion of --a: $offered"
[[ "$offered" == *--any-talker* && "$offered" == *--altitude-mode* ]] || fail "bash completion offers: $offered"

step "remove"
dpkg -L sentrova-convert sentrova | sort -u > "$work/files"
dpkg -r sentrova sentrova-convert
left=0
while IFS= read -r path; do
  # Folders that other packages share stay; files and our own folders must go.
  if [ -e "$path" ] && { [ ! -d "$path" ] || [[ "$path" == */sentrova* ]]; }; then
    echo "left behind: $path"; left=1
  fi
done < "$work/files"
[ "$left" -eq 0 ] || fail "dpkg -r left files behind"
if dpkg-query -W -f='${Status}\n' sentrova sentrova-convert 2>/dev/null | grep -q installed; then
  fail "a package is still installed"
fi
echo "removed: $(wc -l < "$work/files") paths checked, nothing left"
echo
echo "package-check: OK ($convert_deb, $window_deb)"
