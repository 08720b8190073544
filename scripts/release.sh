#!/usr/bin/env bash
# Builds the installer users download: the release preset (CMakePresets.json: optimised, no
# debug information, stripped), then installs with it once, unattended, into a temporary system
# root, which runs its checks of its own file and carried resources on the built bytes, and
# prints the file's size and SHA-256. Building the same commit again gives the same bytes.
#
# Usage: release.sh [build folder]   (default build-release)
set -euo pipefail
cd "$(dirname "$0")/.."
folder=${1:-build-release}

bash scripts/install-deps.sh
cmake --preset release -B "$folder" >/dev/null
cmake --build "$folder" --target VostrelSetup
exe=$folder/src/setup/VostrelSetup

work=$(mktemp -d /tmp/vostrel-release-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/empty"
# No Wine on PATH: the check is the installer's own, and nothing it starts outlives it.
if ! env -u DISPLAY -u WAYLAND_DISPLAY PATH="$work/empty" HOME="$work/home" \
  WINEPREFIX="$work/prefix" XDG_DATA_HOME="$work/home/.local/share" \
  XDG_CONFIG_HOME="$work/home/.config" "$exe" /VERYSILENT >"$work/output" 2>&1; then
  echo "release.sh: the release build did not install:" >&2
  cat "$work/output" >&2
  exit 1
fi
[ -e "$work/prefix/drive_c/Program Files/Vostrel/mervo.exe" ] ||
  { echo "release.sh: the release build installed no product" >&2; exit 1; }
echo "$exe: $(stat -c %s "$exe") bytes, SHA-256 $(sha256sum "$exe" | cut -d' ' -f1)"
