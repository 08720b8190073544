#!/usr/bin/env bash
# Installs every Debian package the build, the run and the tests need. Idempotent; run as root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config binutils
  qt6-base-dev qt6-qpa-plugins qt6-translations-l10n libgl-dev
  zlib1g-dev libpng-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  p7zip-full
  fonts-wqy-microhei fonts-liberation fontconfig
  xvfb xdotool x11-apps imagemagick
  liblnk-utils
  file
  wine wine64
  gcc-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  xdg-utils xdg-user-dirs desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages: ${missing[*]}; run this script as root" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${missing[@]}"
