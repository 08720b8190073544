#!/usr/bin/env bash
# Installs the dependencies, builds the installer and runs it. With a display it simply runs
# there. Without one it starts a virtual X server, runs the installer on it, clicks through the
# windows as a user would (install, then finish once the finish window appears) and saves
# screenshots into out/screenshots/ (options, progress while unpacking, finish). That demo run
# installs into a temporary Windows system root unless WINEPREFIX is set, and runs the installer
# with an empty PATH: the finish button then finds no Windows loader, says so in a message box
# (the demo screenshots and answers it) and starts nothing, so nothing outlives the demo. A
# temporary system root comes with a temporary home for the launchers.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja
cmake --build build --target VostrelSetup -j"$(nproc)"
exe=$root/build/src/setup/VostrelSetup

if [ -n "${DISPLAY:-}" ]; then
  exec "$exe"
fi

shots=$root/out/screenshots
mkdir -p "$shots"
rm -f "$shots"/*.png
temp_prefix=
if [ -z "${WINEPREFIX:-}" ]; then
  temp_prefix=$(mktemp -d /tmp/vostrel-demo-XXXXXX)
  export WINEPREFIX=$temp_prefix
  # The install also writes desktop launchers and links into the user's folders; for a demo
  # root that is thrown away they go into a home of its own, inside the root.
  export HOME=$temp_prefix/home
  mkdir -p "$HOME"
  unset XDG_DATA_HOME XDG_CONFIG_HOME
fi
no_programs=$(mktemp -d /tmp/vostrel-path-XXXXXX)
# Qt wants a private runtime folder; a headless login (su, ssh, CI) often has none.
runtime_dir=$(mktemp -d /tmp/vostrel-runtime-XXXXXX)
chmod 700 "$runtime_dir"
export XDG_RUNTIME_DIR=$runtime_dir
install_dir="$WINEPREFIX/drive_c/Program Files/Vostrel"

source scripts/virtual-display.sh
xvfb=
app=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  [ -n "$temp_prefix" ] && rm -rf "$temp_prefix"
  rm -rf "$no_programs" "$runtime_dir"
}
trap cleanup EXIT
start_virtual_display 99 || { echo "run.sh: Xvfb did not start" >&2; exit 1; }

shot=0
screenshot() { # name
  shot=$((shot + 1))
  import -window root "$shots/$(printf %02d $shot)-$1.png"
  echo "screenshot $shots/$(printf %02d $shot)-$1.png"
}
running() { kill -0 "$app" 2>/dev/null; }
# The visible installer window: "id x y width height", or nothing.
visible_window() {
  local id
  id=$(xdotool search --onlyvisible --name 'Talvimo' 2>/dev/null | tail -n 1) || true
  [ -n "$id" ] || return 0
  eval "$(xdotool getwindowgeometry --shell "$id")"
  echo "$id $X $Y $WIDTH $HEIGHT"
}
click() { # x y, relative to the screen
  xdotool mousemove "$1" "$2" click 1
}

PATH=$no_programs "$exe" &
app=$!
window=
for _ in $(seq 100); do
  window=$(visible_window)
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "run.sh: the installer showed no window" >&2
  exit 1
fi
sleep 0.5
read -r options_id x y w h <<<"$(visible_window)"
echo "options window ${w}x${h} at ${x},${y}"
screenshot options

# The install picture-button (196, 336, 197 x 47).
click $((x + 196 + 98)) $((y + 336 + 23))
# The click writes the payload before the progress window shows; the sequence then waits about
# 3 s before unpacking, so the progress window is still up after this pause.
sleep 1.5

# Unpacking: the archive is still there and the first product files have appeared.
unpacking() {
  [ -e "$install_dir/Vostrel.7z" ] && [ -n "$(find "$install_dir" -mindepth 1 -maxdepth 1 \
    ! -name Vostrel.7z ! -name 7z.dll -print -quit 2>/dev/null)" ]
}

progress_id=
unpacking_shot=
deadline=$((SECONDS + 180))
while running && [ $SECONDS -lt $deadline ]; do
  current=$(visible_window)
  if [ -z "$current" ]; then sleep 0.1; continue; fi
  read -r id x y w h <<<"$current"
  if [ "$id" = "$options_id" ]; then
    # The install action did not hand over: nothing further exists yet; close the window
    # with its close picture-button (573, 5, 11 x 11).
    screenshot options-still-open
    click $((x + 578)) $((y + 10))
    sleep 1
    break
  elif [ -z "$progress_id" ]; then
    progress_id=$id
    screenshot progress
  elif [ "$id" != "$progress_id" ]; then
    screenshot finish
    # The finish picture-button (168, 296, 241 x 41).
    click $((x + 168 + 120)) $((y + 296 + 19))
    sleep 2
    # Without a Windows loader the finish button says so in a message box before it ends.
    if running; then
      screenshot finish-message
      xdotool key Return
      sleep 2
    fi
    break
  elif [ -z "$unpacking_shot" ] && unpacking; then
    unpacking_shot=1
    screenshot progress-unpacking
  fi
  sleep 0.1
done

if running; then
  echo "run.sh: the installer is still running; stopping it" >&2
  kill "$app"
  wait "$app" 2>/dev/null || true
  app=
  exit 1
fi
status=0
wait "$app" || status=$?
app=
echo "VostrelSetup exited with code $status; screenshots in $shots"
exit $status
