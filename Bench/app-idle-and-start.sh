#!/usr/bin/env bash
# deskmap-app on Xvfb with openbox and a tray host: the time from launch to
# the icon in the tray (demo desktop, median of 7), then, over IDLE_SECONDS
# with the list closed, on the demo desktop and on X11: the CPU time its
# threads were given and how often they were woken, both exact (the
# scheduler's own counts, /proc/PID/task/*/schedstat, not clock ticks), and
# its resident memory. Goal: at most 20 wake-ups a minute and 0.05 % of a
# core, 60 MB resident.
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

# Per live thread: its id, nanoseconds on a CPU and times scheduled.
schedstat() {
  for task in /proc/"$1"/task/*; do
    read -r ns _ runs < "$task/schedstat" 2>/dev/null && echo "${task##*/} $ns $runs"
  done
}
# What the threads alive at the end did since `before` (a thread that ended
# meanwhile, as an idle Qt pool thread does, is left out; one that started
# counts whole).
since() {
  awk 'NR == FNR { ns[$1] = $2; runs[$1] = $3; next }
       { dn += $2 - ns[$1]; dr += $3 - runs[$1] } END { print dn, dr }' "$1" "$2"
}
for desktop in demo x11; do
  "$app" --desktop "$desktop" & pid=$!
  until embedded; do sleep 0.05; done
  sleep 5 # the start-up refreshes end
  schedstat "$pid" > "$home/before"
  sleep "$idle"
  schedstat "$pid" > "$home/after"
  read -r ns runs < <(since "$home/before" "$home/after")
  rss=$(awk '/VmRSS/ { print $2 }' "/proc/$pid/status")
  awk -v ns="$ns" -v runs="$runs" -v s="$idle" \
    -v d="$desktop" -v rss="$rss" 'BEGIN {
      printf "idle over %d s (%s desktop): %.4f %% of one core, %.1f wake-ups a minute, resident %d MB\n",
        s, d, ns / (s * 1e9) * 100, runs / s * 60, rss / 1024 }'
  kill -TERM "$pid"; wait "$pid" || true
  while embedded; do sleep 0.05; done
done
