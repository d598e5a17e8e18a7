# Sourced by the shell tests and benchmarks that need a private X display.
#   start_x_display WORK_DIR   Xvfb on a free display; exports DISPLAY
#   start_openbox              openbox on it, returning once it manages
#   within TENTHS COMMAND...   polls COMMAND for up to TENTHS tenths of a second
# Both starters add their process to the caller's `pids` array.

within() {
  local tenths="$1"; shift
  for _ in $(seq 1 "$tenths"); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  return 1
}

start_x_display() {
  # -noreset: without it the server resets when its last client leaves, and
  # a client connecting during the reset is refused.
  Xvfb -displayfd 9 -screen 0 1280x800x24 -nolisten tcp -noreset 9>"$1/display" >/dev/null 2>&1 &
  pids+=($!)
  within 100 test -s "$1/display" || { echo "Xvfb did not start" >&2; return 1; }
  DISPLAY=":$(head -n1 "$1/display")"
  export DISPLAY
  within 100 xdpyinfo || { echo "Xvfb did not answer" >&2; return 1; }
}

start_openbox() {
  openbox --sm-disable >/dev/null 2>&1 &
  pids+=($!)
  within 100 wmctrl -m || { echo "openbox did not start" >&2; return 1; }
}
