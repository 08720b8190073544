#!/usr/bin/env bash
# Installs every Debian package the build, the run and the tests need. Idempotent; installs
# nothing when all are there, so a normal user needs root only for the first run.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config binutils
  qt6-base-dev qt6-qpa-plugins qt6-wayland qt6-translations-l10n libgl-dev libxcb1-dev
  zlib1g-dev libpng-dev libdeflate-dev libfontconfig-dev libfreetype-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libssl-dev
  p7zip-full
  fonts-wqy-microhei fonts-liberation fontconfig
  xvfb xdotool x11-apps imagemagick
  dbus dbus-x11 at-spi2-core
  liblnk-utils libnss-wrapper
  file
  wine wine64
  gcc-mingw-w64-x86-64 binutils-mingw-w64-x86-64 x11-utils
  xdg-utils xdg-user-dirs desktop-file-utils libglib2.0-bin python3-xdg
  openbox python3-pyatspi python3-fonttools
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
# Root installs directly; anyone else goes through sudo when the machine has it (Debian leaves
# sudo out when the installer was given a root password).
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "install-deps: missing packages: ${missing[*]}; there is no sudo here, so install them as root: su -c 'bash $0'" >&2
    exit 1
  fi
  as_root=(sudo env DEBIAN_FRONTEND=noninteractive)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update
"${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
