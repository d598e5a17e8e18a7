#!/usr/bin/env bash
# Whole-process time of `deskmap spaces --desktop sway` (three requests and
# a parse) against `swaymsg -t get_tree` (one request and a print), on a
# private headless sway holding 100 terminal windows on ten workspaces.
#   Bench/sway-spaces-vs-swaymsg.sh BUILD_DIR [RUNS]
set -euo pipefail
build="${1:?usage: $0 BUILD_DIR [RUNS]}"
runs="${2:-21}"
deskmap="$(cd "$build" && pwd)/Tools/deskmap/deskmap"

work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -m 700 "$work/run" "$work/home"
chmod 755 "$work"
# The terminals share one server process, so sway cannot place them by the
# process that asked for them: their titles say where they go.
for workspace in $(seq 1 10); do
  echo "for_window [title=\"^w$workspace-\"] move container to workspace $workspace"
done > "$work/config"
# sway refuses to run as root.
as_user=()
if [ "$(id -u)" = 0 ]; then
  chown -R nobody:nogroup "$work"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
"${as_user[@]}" env -i PATH="$PATH" HOME="$work/home" XDG_RUNTIME_DIR="$work/run" LANG=C.UTF-8 \
  WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
  sway -c "$work/config" >"$work/sway.log" 2>&1 &
pids+=($!)
for _ in $(seq 200); do
  socket="$(find "$work/run" -name 'sway-ipc.*' 2>/dev/null | head -n1)"
  [ -n "$socket" ] && break
  sleep 0.05
done
export SWAYSOCK="$socket"
until swaymsg -t get_version >/dev/null 2>&1; do sleep 0.05; done

# One terminal server, a hundred cheap clients.
swaymsg "exec foot --server" >/dev/null
until find "$work/run" -name 'foot-*.sock' | grep -q .; do sleep 0.05; done
for workspace in $(seq 1 10); do
  for window in $(seq 1 10); do
    swaymsg "exec footclient --title 'w$workspace-$window' sleep 600" >/dev/null
  done
done
count() { swaymsg -t get_tree -r | grep -c '"app_id": "foot"' || true; }
for _ in $(seq 600); do [ "$(count)" -ge 100 ] && break; sleep 0.1; done
echo "windows in the tree: $(count)"

. "$(dirname "$0")/median.sh"

windows=$("$deskmap" spaces --desktop sway --json | grep -c '"windowID"')
ours=$(median "$deskmap" spaces --desktop sway)
theirs=$(median swaymsg -t get_tree)
echo "windows listed by deskmap: $windows"
echo "deskmap spaces --desktop sway: median ${ours} us over $runs runs"
echo "swaymsg -t get_tree:           median ${theirs} us over $runs runs"
awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "ratio deskmap/swaymsg: %.2f (target <= 1.50)\n", a / b }'
