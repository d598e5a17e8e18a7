#!/usr/bin/env bash
# Whole-process time of `deskmap spaces --desktop gnome` (a version check, the
# state call and a parse) against `gdbus call` of the extension's state
# method (one call and a print), on a private headless GNOME Shell holding
# 100 terminal windows on ten workspaces.
#   Bench/gnome-spaces-vs-gdbus.sh BUILD_DIR [RUNS]
set -euo pipefail
build="$(cd "${1:?usage: $0 BUILD_DIR [RUNS]}" && pwd)"
runs="${2:-21}"

work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p -m 700 "$work/run"
mkdir -p "$work/home/.local/share/gnome-shell/extensions" "$work/bin" "$work/lib/deskmap"
cp -r "$build/gnome-shell/legacy/deskmap@quillary.com" "$work/home/.local/share/gnome-shell/extensions/"
# A copy the Shell's user can run, with its modules where it looks for them.
cp "$build/Tools/deskmap/deskmap" "$work/bin/"
cp -r "$build/lib" "$work/lib/deskmap/modules"
chmod 755 "$work"
# The Shell refuses to run as root.
as_user=()
if [ "$(id -u)" = 0 ]; then
  chown -R nobody:nogroup "$work"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
session=(env -i PATH="$PATH" HOME="$work/home" XDG_RUNTIME_DIR="$work/run" LANG=C.UTF-8
  XDG_CURRENT_DESKTOP=GNOME WAYLAND_DISPLAY=wayland-bench
  DBUS_SESSION_BUS_ADDRESS="unix:path=$work/run/bus"
  DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/run/system_bus")
"${as_user[@]}" "${session[@]}" dbus-daemon --session --nofork --address="unix:path=$work/run/system_bus" &
pids+=($!)
"${as_user[@]}" "${session[@]}" dbus-daemon --session --nofork --address="unix:path=$work/run/bus" &
pids+=($!)
until [ -S "$work/run/bus" ] && [ -S "$work/run/system_bus" ]; do sleep 0.05; done
"${as_user[@]}" "${session[@]}" gsettings set org.gnome.shell enabled-extensions "['deskmap@quillary.com']"
"${as_user[@]}" "${session[@]}" gnome-shell --headless --wayland --no-x11 \
  --wayland-display=wayland-bench --virtual-monitor 1920x1080 >"$work/shell.log" 2>&1 &
pids+=($!)
state=(gdbus call --session --dest com.quillary.deskmap.GnomeShell
  --object-path /com/quillary/deskmap/GnomeShell --method com.quillary.deskmap.GnomeShell.GetState)
until "${as_user[@]}" "${session[@]}" "${state[@]}" >/dev/null 2>&1; do sleep 0.1; done

# Ten windows on each of ten workspaces: each switch makes GNOME add the next.
activate() {
  "${as_user[@]}" "${session[@]}" gdbus call --session --dest com.quillary.deskmap.GnomeShell \
    --object-path /com/quillary/deskmap/GnomeShell \
    --method com.quillary.deskmap.GnomeShell.ActivateWorkspace "$1" >/dev/null
}
count() { "${as_user[@]}" "${session[@]}" "${state[@]}" | grep -o '"appId":"foot"' | wc -l; }
"${as_user[@]}" "${session[@]}" foot --server >"$work/foot.log" 2>&1 &
pids+=($!)
until find "$work/run" -name 'foot-*.sock' | grep -q .; do sleep 0.05; done
for workspace in $(seq 1 10); do
  for window in $(seq 1 10); do
    "${as_user[@]}" "${session[@]}" footclient --title "w$workspace-$window" sleep 600 &
  done
  target=$((workspace * 10))
  for _ in $(seq 300); do [ "$(count)" -ge "$target" ] && break; sleep 0.1; done
  activate "$((workspace + 1))" || true
done
echo "windows in the state: $(count)"

. "$(dirname "$0")/median.sh"

deskmap=("${as_user[@]}" "${session[@]}" "$work/bin/deskmap")
windows=$("${deskmap[@]}" spaces --desktop gnome --json | grep -c '"windowID"')
ours=$(median "${deskmap[@]}" spaces --desktop gnome)
theirs=$(median "${as_user[@]}" "${session[@]}" "${state[@]}")
echo "windows listed by deskmap: $windows"
echo "deskmap spaces --desktop gnome: median ${ours} us over $runs runs"
echo "gdbus call GetState:            median ${theirs} us over $runs runs"
awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "ratio deskmap/gdbus: %.2f (target <= 1.20)\n", a / b }'
