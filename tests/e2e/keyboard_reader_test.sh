#!/usr/bin/env bash
# The installer for users who do not use the mouse, on a virtual X server with a window
# manager (openbox), inside a D-Bus session of its own (ctest starts it through
# scripts/private-session.sh), with a temporary HOME and prefix.
#   keyboard  Tab, Space and Return: the custom options opened, the desktop shortcut
#             unticked, installed, and finished by the window manager's Alt+F4; on the way
#             xprop sees the window icon, the fixed size hints and the options window centred
#             on the screen
#   cancel    Return installs, Escape on the progress window asks, Return answers Yes: the
#             install runs to its end and the program ends without the finish window
#   reader    the accessibility tree of each window walked as a screen reader does
#             (atspi_walk.py), the install driven by Return alone
# The installer's PATH holds nothing, so the finish button starts no program: it says so in
# two message boxes, which Return closes.
#
# Usage: keyboard_reader_test.sh <VostrelSetup> keyboard|cancel|reader
set -uo pipefail
setup=$1
mode=$2
here=$(cd "$(dirname "$0")" && pwd)

failures=0
check() { # description, command...
  local what=$1 out
  shift
  if out=$("$@" 2>&1); then
    echo "ok ($mode): $what"
  else
    failures=$((failures + 1))
    echo "FAIL ($mode): $what" >&2
    [ -n "$out" ] && echo "$out" >&2
  fi
}

# Debian's Python, which python3-pyatspi installs into (another python3 may come first on PATH).
python=/usr/bin/python3
for tool in Xvfb xdotool xprop openbox "$python"; do
  command -v "$tool" >/dev/null || { echo "keyboard_reader_test: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d /tmp/keyboard-reader-XXXXXX)
export HOME=$work/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
export XDG_RUNTIME_DIR=$work/runtime
export WINEPREFIX=$work/prefix
mkdir -p "$HOME/Desktop" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" "$work/bin"
# A user who has a Quick Launch folder, so that ticked box makes its link.
mkdir -p "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Internet Explorer/Quick Launch"
chmod 700 "$XDG_RUNTIME_DIR"

source "$here/../../scripts/virtual-display.sh"
xvfb=
wm=
app=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
start_virtual_display || { echo "keyboard_reader_test: Xvfb did not start" >&2; exit 1; }
openbox >"$work/openbox.log" 2>&1 &
wm=$!
# The installer's window must map under a running window manager, or nothing gives it the focus.
managed=
for _ in $(seq 300); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && managed=1 && break
  kill -0 "$wm" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$managed" ]; then
  echo "keyboard_reader_test: openbox did not start on $DISPLAY" >&2
  cat "$work/openbox.log" >&2
  exit 1
fi

# "id width height x y" of the visible installer windows, one a line.
windows() {
  local id
  for id in $(xdotool search --onlyvisible --name 'Talvimo' 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    echo "$id $WIDTH $HEIGHT $X $Y"
  done
}
wait_sized_window() { # width, height, seconds, id not to take; prints "id x y" of the window
  local deadline=$((SECONDS + $3)) line
  while [ $SECONDS -lt $deadline ]; do
    while read -r id w h x y; do
      if [ "$w" = "$1" ] && [ "$h" = "$2" ] && [ "$id" != "${4:-}" ]; then
        echo "$id $x $y"
        return 0
      fi
    done < <(windows)
    sleep 0.2
  done
  return 1
}
wait_focus() { # id: until the window manager has given the window the keyboard
  for _ in $(seq 150); do
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ] && return 0
    sleep 0.1
  done
  return 1
}
keys() { # key...: one at a time, as a person types
  local key
  for key in "$@"; do
    xdotool key "$key"
    sleep 0.15
  done
}
# The installer's exit status once it has ended; one still running is ended (status 124), so a
# lost key fails the test instead of hanging it.
ended_status() {
  if kill -0 "$app" 2>/dev/null; then
    kill "$app"
    wait "$app"
    app=
    return 124
  fi
  wait "$app"
  local status=$?
  app=
  return $status
}
# Presses Return on each message box until the installer ends; its exit status.
finish_with_return() {
  for _ in $(seq 100); do
    kill -0 "$app" 2>/dev/null || break
    if windows | awk '$2 != 588' | grep -q .; then
      keys Return
    fi
    sleep 0.2
  done
  ended_status
}
hints() { # id: the WM_NORMAL_HINTS lines of the window
  xprop -id "$1" WM_NORMAL_HINTS
}
fixed_size() { # id, width, height
  local h
  h=$(hints "$1")
  grep -q "minimum size: $2 by $3" <<<"$h" && grep -q "maximum size: $2 by $3" <<<"$h"
}

environment=(PATH="$work/bin" QT_QPA_PLATFORM=xcb)
[ "$mode" = reader ] && environment+=(QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1)
env "${environment[@]}" "$setup" &
app=$!
options=$(wait_sized_window 588 400 30) || { echo "FAIL ($mode): the options window shows" >&2; exit 1; }
read -r options_id x y <<<"$options"
check "the window manager gives the options window the keyboard" wait_focus "$options_id"

case $mode in
keyboard)
  check "the options window is centred on the screen" test "$x $y" = "346 312"
  check "the options window carries the product icon" \
    bash -c "xprop -id $options_id _NET_WM_ICON | grep -q 'Icon ('"
  check "the collapsed options window cannot be resized" fixed_size "$options_id" 588 400
  # The agreement box has the focus: two Tabs to the toggle, Space opens the options; six
  # more to the desktop box, Space unticks it; Return on a check box installs.
  keys Tab Tab space
  sleep 0.3
  check "the expanded options window cannot be resized" fixed_size "$options_id" 588 550
  keys Tab Tab Tab Tab Tab Tab space Return
  progress=$(wait_sized_window 588 358 30 "$options_id")
  read -r progress_id _ _ <<<"$progress"
  check "the progress window shows" test -n "$progress_id"
  check "the progress window carries the product icon" \
    bash -c "xprop -id $progress_id _NET_WM_ICON | grep -q 'Icon ('"
  check "the progress window cannot be resized" fixed_size "$progress_id" 588 358
  finish=$(wait_sized_window 588 358 120 "$progress_id")
  read -r finish_id _ _ <<<"$finish"
  check "the finish window shows" test -n "$finish_id"
  check "the window manager gives the finish window the keyboard" wait_focus "$finish_id"
  # The window manager's Alt+F4 finishes as the finish button does.
  keys alt+F4
  finish_with_return
  check "the installer exits with 0" test $? -eq 0
  folder="$WINEPREFIX/drive_c/Program Files/Vostrel"
  check "the product is installed" test -f "$folder/mervo.exe"
  check "the desktop shortcut was left out" \
    bash -c "! find -L '$WINEPREFIX/drive_c/users' -ipath '*/Desktop/*.lnk' | grep -q ."
  check "the quick-launch shortcut was made" \
    bash -c "find -L '$WINEPREFIX/drive_c/users' -ipath '*/Quick Launch/*.lnk' | grep -q ."
  ;;
cancel)
  keys Return
  progress=$(wait_sized_window 588 358 30 "$options_id")
  read -r progress_id _ _ <<<"$progress"
  check "the progress window shows" test -n "$progress_id"
  wait_focus "$progress_id"
  keys Escape
  question=
  for _ in $(seq 100); do
    question=$(xdotool search --onlyvisible --name '警告' 2>/dev/null | head -n 1)
    [ -n "$question" ] && break
    sleep 0.1
  done
  check "Escape asks whether to end the install" test -n "$question"
  check "the question belongs to the progress window" \
    bash -c "xprop -id $question WM_TRANSIENT_FOR | grep -q \"$(printf '0x%x' "$progress_id")\""
  wait_focus "$question"
  keys Return
  shown_finish=0
  for _ in $(seq 600); do
    kill -0 "$app" 2>/dev/null || break
    wait_sized_window 588 358 0 "$progress_id" >/dev/null && shown_finish=1
    sleep 0.2
  done
  ended_status
  status=$?
  check "the installer ends with 0" test "$status" -eq 0
  check "the finish window never shows" test "$shown_finish" -eq 0
  ;;
reader)
  check "a screen reader finds every control of the options window" \
    "$python" "$here/atspi_walk.py" options 30
  keys Return
  progress=$(wait_sized_window 588 358 30 "$options_id")
  read -r progress_id _ _ <<<"$progress"
  check "a screen reader finds the progress window's controls" \
    "$python" "$here/atspi_walk.py" progress 10
  finish=$(wait_sized_window 588 358 120 "$progress_id")
  check "a screen reader finds the finish window's button" \
    "$python" "$here/atspi_walk.py" finish 30
  keys Return
  finish_with_return
  check "the installer exits with 0" test $? -eq 0
  ;;
*)
  echo "usage: keyboard_reader_test.sh <VostrelSetup> keyboard|cancel|reader" >&2
  exit 2
  ;;
esac

[ "$failures" -eq 0 ] || exit 1
