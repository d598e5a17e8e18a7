#!/usr/bin/env bash
# Whole-process time of `deskmap spaces --desktop x11` against `wmctrl -l -x`
# on a private Xvfb + openbox desktop holding 100 mapped windows.
#   Bench/x11-spaces-vs-wmctrl.sh BUILD_DIR [RUNS]
set -euo pipefail
build="${1:?usage: $0 BUILD_DIR [RUNS]}"
runs="${2:-21}"
deskmap="$build/Tools/deskmap/deskmap"
farm="$build/Bench/deskmap-x11-window-farm"

work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
. "$(dirname "$0")/../Tests/Support/x-display.sh"

start_x_display "$work"
start_openbox
mkfifo "$work/hold"
"$farm" 100 <"$work/hold" &
pids+=($!)
exec 4>"$work/hold"
until [ "$(wmctrl -l | wc -l)" -ge 100 ]; do sleep 0.05; done

. "$(dirname "$0")/median.sh"

windows=$("$deskmap" spaces --desktop x11 --json | grep -c '"windowID"')
ours=$(median "$deskmap" spaces --desktop x11)
theirs=$(median wmctrl -l -x)
echo "windows listed by deskmap: $windows"
echo "deskmap spaces --desktop x11: median ${ours} us over $runs runs"
echo "wmctrl -l -x:                 median ${theirs} us over $runs runs"
awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "ratio deskmap/wmctrl: %.2f (target <= 0.50)\n", a / b }'
