# Sourced by the scripts that need a display of their own: start_virtual_display starts Xvfb,
# which takes the first free display number itself (-displayfd) and reports it once it holds it
# and listens; so two scripts started together never share a server, and a number another
# server already answers on is passed over instead of connected to. It exports DISPLAY, sets
# $xvfb to the server's pid and returns 1 when the server did not start. window and wait_window
# find the windows shown there by name.
start_virtual_display() {
  local reported number=
  reported=$(mktemp) || return 1
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$reported" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 200); do
    # The number is complete once its line has ended.
    if [ "$(wc -l <"$reported")" -ge 1 ]; then
      number=$(head -n 1 "$reported")
      break
    fi
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$reported"
  [ -n "$number" ] || return 1
  export DISPLAY=:$number
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
