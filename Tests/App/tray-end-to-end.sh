#!/usr/bin/env bash
# deskmap-app on a real X11 desktop: Xvfb, openbox, a tray host (trayer),
# driven with xdotool and checked with wmctrl.
#   tray-end-to-end.sh PATH/TO/deskmap-app
set -euo pipefail
app="$1"

home="$(mktemp -d "${TMPDIR:-/tmp}/deskmap-e2e-XXXXXX")"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$home"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
# shellcheck source=../Support/x-display.sh
. "$(dirname "$0")/../Support/x-display.sh"

export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DESKMAP_DESKTOP WAYLAND_DISPLAY QT_QPA_PLATFORM
# Setup done, so that only the tray and its list show.
mkdir -p "$XDG_CONFIG_HOME/deskmap"
echo '{"firstTimeSetupCompleted": true}' > "$XDG_CONFIG_HOME/deskmap/defaults.json"

start_x_display "$home" || fail "no X display"
start_openbox || fail "no window manager"

start_tray() {
  trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
  tray_pid=$!
  pids+=("$tray_pid")
  within 100 sh -c "wmctrl -lx | grep trayer >/dev/null" || fail "trayer did not start"
  # Whole-input readers only: an early exit would break the pipe.
  tray="$(wmctrl -lx | awk '/trayer/ && !found { print $1; found = 1 }')"
}
# Deskmap icons embedded in the tray.
icons() { xwininfo -tree -id "$tray" | grep -c '("deskmap-app" "deskmap-app")' || true; }
current_desktop() { wmctrl -d | awk '$2 == "*" { print $1 }'; }
# Conditions for `within`, evaluated on every try.
icons_are() { [ "$(icons)" = "$1" ]; }
on_desktop() { [ "$(current_desktop)" = "$1" ]; }
list_window() { xdotool search --onlyvisible --name '^Deskmap$' | awk 'NR == 1'; }

start_tray
"$app" --desktop x11 & app_pid=$!; pids+=("$app_pid")
within 100 icons_are 1 || fail "the icon was not embedded in the tray ($(icons))"

# A click on the icon shows the list beside it. (A just-embedded icon may
# not take a click yet on a busy machine: try again a few times.)
eval "$(xdotool getwindowgeometry --shell "$tray")"
shown=""
for _ in 1 2 3 4 5; do
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
  if within 30 list_window; then shown=1; break; fi
done
[ -n "$shown" ] || fail "a click on the icon showed no Space list"
list="$(list_window)"
eval "$(xdotool getwindowgeometry --shell "$list")"
[ "$Y" -ge 24 ] || fail "the list covers the panel (y=$Y)"

# A click on the third row switches to the third workspace and closes the list.
[ "$(current_desktop)" = 0 ] || fail "the desktop did not start on its first workspace"
xdotool mousemove $((X + 150)) $((Y + 210)) click 1
within 50 on_desktop 2 || fail "the click did not switch (now $(current_desktop))"
within 30 sh -c '! xdotool search --onlyvisible --name "^Deskmap$"' || fail "the list stayed open"

# A second launch adds no icon and opens the list of the running app.
timeout 10 "$app" --show || fail "a second launch did not end at once"
within 50 list_window || fail "the second launch did not open the list"
[ "$(icons)" = 1 ] || fail "a second icon appeared"
# The digits switch from the keyboard.
xdotool key 2
within 50 on_desktop 1 || fail "the key 2 did not switch (now $(current_desktop))"

# Quit from the icon's menu (its last entry).
eval "$(xdotool getwindowgeometry --shell "$tray")"
before="$(xdotool search --onlyvisible --classname deskmap-app | wc -l)"
menu_open() { [ "$(xdotool search --onlyvisible --classname deskmap-app | wc -l)" -gt "$before" ]; }
opened=""
for _ in 1 2 3; do
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
  if within 30 menu_open; then opened=1; break; fi
done
[ -n "$opened" ] || fail "the icon's menu did not open"
sleep 0.2
xdotool key Up Return
status=0
within 100 sh -c "! kill -0 $app_pid" || fail "Quit did not end the app"
wait "$app_pid" || status=$?
[ "$status" = 0 ] || fail "Quit ended the app with status $status"

# Without a tray host the list opens as a window at start; closing it quits.
kill "$tray_pid"; wait "$tray_pid" 2>/dev/null || true
within 50 sh -c '! wmctrl -lx | grep trayer >/dev/null' || fail "trayer did not end"
sleep 0.5
"$app" --desktop x11 & app_pid=$!; pids+=("$app_pid")
within 100 list_window || fail "without a tray no window opened"
wmctrl -c Deskmap
within 100 sh -c "! kill -0 $app_pid" || fail "closing the window did not end the app"
status=0
wait "$app_pid" || status=$?
[ "$status" = 0 ] || fail "closing the window ended the app with status $status"

# As a window, the list stays in view on the workspace a click switched to.
wmctrl -s 0
"$app" --desktop x11 & app_pid=$!; pids+=("$app_pid")
within 100 list_window || fail "without a tray no window opened"
list="$(list_window)"
sleep 1 # its first refresh
eval "$(xdotool getwindowgeometry --shell "$list")"
xdotool mousemove $((X + 150)) $((Y + 210)) click 1
within 50 on_desktop 2 || fail "a click in the window did not switch (now $(current_desktop))"
within 30 list_window || fail "the list window was left behind on the workspace it was on"

# A tray that appears later (at login the panel often starts after the app)
# takes the app in: the icon is embedded and the window gives way to it.
sleep 2
start_tray
within 100 icons_are 1 || fail "the icon was not embedded in a tray that came late ($(icons))"
within 50 sh -c '! xdotool search --onlyvisible --name "^Deskmap$"' \
  || fail "the list window stayed after the tray came"
kill -TERM "$app_pid"
within 100 sh -c "! kill -0 $app_pid" || fail "SIGTERM did not end the app"
wait "$app_pid" || true
kill "$tray_pid"; wait "$tray_pid" 2>/dev/null || true
within 50 sh -c '! wmctrl -lx | grep trayer >/dev/null' || fail "trayer did not end"

# SIGTERM quits the way Quit does.
"$app" --desktop x11 & app_pid=$!; pids+=("$app_pid")
within 100 list_window || fail "the app did not start again"
kill -TERM "$app_pid"
within 100 sh -c "! kill -0 $app_pid" || fail "SIGTERM did not end the app"
status=0
wait "$app_pid" || status=$?
[ "$status" = 0 ] || fail "SIGTERM ended the app with status $status"

echo "tray end to end: 1 passed, 0 failed"
