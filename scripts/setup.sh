#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# Usage: scripts/setup.sh [extra package...]
set -euo pipefail
# Keep equal to the README's list.
packages=(cmake make g++ libcli11-dev qt6-base-dev libqt6svg6 qt6-svg-dev qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
          libminizip-dev libgeographiclib-dev pkg-config libgtest-dev libgmock-dev chromium python3-pyproj
          libxml2-utils locales clang libclang-rt-14-dev clang-format-14 ccache xvfb xdotool gdal-bin python3-gdal gpsbabel
          python3 strace util-linux procps gzip unzip "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "These packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Tests compare output under a decimal-comma locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  if [ "$(id -u)" -eq 0 ] && [ -f /etc/locale.gen ]; then
    sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
  fi
fi
