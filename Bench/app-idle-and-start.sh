#!/usr/bin/env bash
# deskmap-app on Xvfb with openbox and a tray host: the time from launch to
# the icon in the tray (demo desktop, median of 7), then CPU and resident
# memory over 60 idle seconds on the demo desktop and on X11 (the 2-second
# structure watch running).
#   app-idle-and-start.sh BUILD_DIR [IDLE_SECONDS]
set -euo pipefail
app="$1/Deskmap/App/deskmap-app"
idle="${2:-60}"
home="$(mktemp -d "${TMPDIR:-/tmp}/deskmap-bench-XXXXXX")"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$home"
}
trap cleanup EXIT
. "$(dirname "$0")/../Tests/Support/x-display.sh"
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkdir -p "$XDG_CONFIG_HOME/deskmap"
echo '{"firstTimeSetupCompleted": true}' > "$XDG_CONFIG_HOME/deskmap/defaults.json"
start_x_display "$home"
start_openbox
trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 & pids+=($!)
until wmctrl -lx | grep -q trayer; do sleep 0.1; done
tray="$(wmctrl -lx | awk '/trayer/ { print $1; exit }')"
embedded() { xwininfo -tree -id "$tray" | grep -q '("deskmap-app" "deskmap-app")'; }

starts=()
for _ in 1 2 3 4 5 6 7; do
  begin=$(date +%s%N)
  "$app" --desktop demo & pid=$!
  until embedded; do sleep 0.005; done
  starts+=($(( ($(date +%s%N) - begin) / 1000000 )))
  kill -TERM "$pid"; wait "$pid" || true
  while embedded; do sleep 0.05; done
done
median=$(printf '%s\n' "${starts[@]}" | sort -n | sed -n 4p)
echo "start to tray icon (demo desktop): median ${median} ms of ${starts[*]}"

ticks=$(getconf CLK_TCK)
for desktop in demo x11; do
  "$app" --desktop "$desktop" & pid=$!
  until embedded; do sleep 0.05; done
  sleep 3
  before=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
  sleep "$idle"
  after=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
  rss=$(awk '/VmRSS/ { print $2 }' "/proc/$pid/status")
  cpu=$(awk -v d=$((after - before)) -v t="$ticks" -v s="$idle" 'BEGIN { printf "%.3f", d / t / s * 100 }')
  echo "idle over ${idle} s ($desktop desktop): ${cpu} % of one core, resident $((rss / 1024)) MB"
  kill -TERM "$pid"; wait "$pid" || true
  while embedded; do sleep 0.05; done
done
