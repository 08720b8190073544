# Sourced by the scripts that need a display of their own: start_virtual_display FIRST starts
# Xvfb on the first free display number from FIRST on, exports DISPLAY, sets $xvfb to its pid
# and returns once the server answers (1 when it did not start). window and wait_window find the
# windows shown there by name.
start_virtual_display() {
  local number=$1
  while [ -e /tmp/.X${number}-lock ]; do number=$((number + 1)); done
  export DISPLAY=:$number
  Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 200); do
    xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
    kill -0 "$xvfb" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# The visible window with this name: "id x y", or nothing.
window() {
  local id
  id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1) || true
  [ -n "$id" ] || return 0
  eval "$(xdotool getwindowgeometry --shell "$id")"
  echo "$id $X $Y"
}

# Waits up to the given seconds for a visible window with this name other than the third
# argument's; prints "id x y" (1 when none showed).
wait_window() {
  local deadline=$((SECONDS + $2)) current
  while [ $SECONDS -lt $deadline ]; do
    current=$(window "$1")
    if [ -n "$current" ] && [ "${current%% *}" != "${3:-}" ]; then
      echo "$current"
      return 0
    fi
    sleep 0.2
  done
  return 1
}
