#!/usr/bin/env bash
# Installs the dependencies, builds the installer and runs it. With a display it simply runs
# there. Without one it shows the product's whole life on a virtual X server, in a desktop
# session of its own and a temporary system root and home (scripts/headless-demo.sh): Wine
# makes the root, the installer is clicked through, the player starts and is photographed, the
# uninstaller runs from its launcher, and the root is checked clean. Screenshots go into
# out/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja
cmake --build build --target VostrelSetup -j"$(nproc)"
exe=$PWD/build/src/setup/VostrelSetup

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$exe"
fi
exec bash scripts/private-session.sh bash scripts/headless-demo.sh "$exe"
