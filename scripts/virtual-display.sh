# Sourced by the scripts that need a display of their own: start_virtual_display FIRST starts
# Xvfb on the first free display number from FIRST on, exports DISPLAY, sets $xvfb to its pid
# and returns once the server answers (1 when it did not start).
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
