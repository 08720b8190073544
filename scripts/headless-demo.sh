#!/usr/bin/env bash
# The product's whole life on a virtual X server, as a user meets it, for a machine without a
# display (scripts/run.sh starts it in a desktop session of its own). Everything happens in a
# temporary Windows system root and home, removed at the end:
#   1. Wine makes the system root (wineboot), as for any Wine user;
#   2. the installer is clicked through: options (install), progress, finish (the finish button);
#   3. the finish button starts the player, whose window "Talvimo 播放器" is photographed;
#   4. the player is closed, the uninstaller runs from the 卸载 launcher's command (answering its
#      two questions), and the root and home are compared with what they held before.
# Screenshots go into out/screenshots/, the player's window last. Exit 0 when every step worked.
#
# Usage: headless-demo.sh <VostrelSetup>
set -euo pipefail
exe=$1
source_root=$(cd "$(dirname "$0")/.." && pwd)
shots=$source_root/out/screenshots
mkdir -p "$shots"
rm -f "$shots"/*.png

work=$(mktemp -d /tmp/vostrel-demo-XXXXXX)
export WINEPREFIX=$work/prefix HOME=$work/home
export XDG_DATA_HOME=$HOME/.local/share XDG_CONFIG_HOME=$HOME/.config
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$HOME/Desktop" "$XDG_CONFIG_HOME"
printf 'XDG_DESKTOP_DIR="$HOME/Desktop"\n' >"$XDG_CONFIG_HOME/user-dirs.dirs"
install_dir="$WINEPREFIX/drive_c/Program Files/Vostrel"

source "$source_root/scripts/virtual-display.sh"
xvfb=
app=
cleanup() {
  local status=$?
  [ -n "$app" ] && kill "$app" 2>/dev/null
  # The root goes only once every Wine process of it has ended.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
fail() {
  echo "run.sh: $*" >&2
  exit 1
}
start_virtual_display || fail "Xvfb did not start"
started=$SECONDS

shot=0
screenshot() { # name
  shot=$((shot + 1))
  local file
  file=$shots/$(printf %02d $shot)-$1.png
  import -window root "$file"
  echo "screenshot $file"
}
running() { kill -0 "$app" 2>/dev/null; }
click() { # x y, relative to the screen
  xdotool mousemove "$1" "$2" click 1
}
# What the root's drive C: and the home hold (Qt's font cache aside).
contents() {
  (cd "$WINEPREFIX/drive_c" && find . | sort)
  (cd "$HOME" && find . ! -path './.cache*' | sort | sed 's|^|HOME/|')
}

echo "demo: Wine makes a Windows system root in $WINEPREFIX"
wine wineboot -i >/dev/null 2>&1 || fail "wineboot could not make the system root"
wineserver -w
before=$(contents)

"$exe" &
app=$!
found=$(wait_window Talvimo 30) || fail "the installer showed no window"
read -r options_id x y <<<"$found"
sleep 0.5
screenshot options
# The install picture-button (196, 336, 197 x 47).
click $((x + 294)) $((y + 359))
found=$(wait_window Talvimo 20 "$options_id") || fail "the progress window did not show"
read -r progress_id x y <<<"$found"
screenshot progress
# The sequence waits about 3 s before unpacking; photograph the bar while the files arrive.
for _ in $(seq 100); do
  [ -e "$install_dir/Vostrel.7z" ] && [ -e "$install_dir/mervo.exe" ] && break
  sleep 0.1
done
screenshot progress-unpacking
found=$(wait_window Talvimo 180 "$progress_id") || fail "the finish window did not show"
read -r _ x y <<<"$found"
sleep 0.5
screenshot finish
# The finish picture-button (168, 296, 241 x 41) starts the player and ends the installer.
click $((x + 288)) $((y + 315))
for _ in $(seq 100); do running || break; sleep 0.1; done
running && fail "the installer did not end after the finish button"
status=0
wait "$app" || status=$?
app=
[ "$status" -eq 0 ] || fail "the installer ended with code $status"

found=$(wait_window 'Talvimo 播放器' 60) || fail "the player's window did not open"
read -r player_id _ _ <<<"$found"
sleep 1
screenshot player

# The player is closed as a user would (Alt+F4 on its window); the uninstaller closes it too.
xdotool windowfocus --sync "$player_id" key alt+F4 2>/dev/null || true
for _ in $(seq 50); do [ -n "$(window 'Talvimo 播放器')" ] || break; sleep 0.1; done
if [ -n "$(window 'Talvimo 播放器')" ]; then
  echo "demo: the player did not close on Alt+F4; the uninstaller closes it"
else
  echo "demo: the player is closed"
fi

launcher=$(grep -rlx 'Name=卸载' "$XDG_DATA_HOME/applications" | head -n 1)
[ -n "$launcher" ] || fail "there is no 卸载 launcher"
echo "demo: uninstalling through $launcher"
gio launch "$launcher"
# The uninstaller asks first (Yes is its default button) and says when it is done.
for question in 1 2; do
  found=$(wait_window 'Talvimo 卸载程序' 60) || fail "the uninstaller's message $question did not show"
  read -r box_id _ _ <<<"$found"
  xdotool windowfocus --sync "$box_id" key Return
  for _ in $(seq 50); do [ -n "$(window 'Talvimo 卸载程序')" ] || break; sleep 0.1; done
done
# The uninstaller's temporary copy removes its file, its list and the install folder after it.
for _ in $(seq 100); do [ -e "$install_dir" ] || break; sleep 0.2; done
wineserver -w

after=$(contents)
if [ "$after" != "$before" ]; then
  echo "run.sh: the uninstall left the root or home changed (before / after):" >&2
  diff <(echo "$before") <(echo "$after") >&2 || true
  exit 1
fi
echo "demo: installed, started and uninstalled in $((SECONDS - started)) s; the system root" \
  "and home hold what they held before. Screenshots in $shots"
