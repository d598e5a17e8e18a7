#!/usr/bin/env bash
# Whole-process time of `deskmap spaces --desktop kde` (its KWin script
# loaded, run, heard from and unloaded, and the map printed) against one
# `gdbus call` reading KWin's virtual-desktop properties, on a private
# headless KWin holding 100 GTK windows on ten desktops.
#   Bench/kde-spaces-vs-gdbus.sh BUILD_DIR [RUNS]
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
mkdir -p "$work/home/.config" "$work/bin" "$work/lib/deskmap"
printf '[Desktops]\nNumber=10\nRows=1\n' >"$work/home/.config/kwinrc"
# Copies the session's user can run: KWin's file capability cannot be used
# in a container, and a copy drops it.
cp /usr/bin/kwin_wayland "$work/bin/"
cp "$build/Tools/deskmap/deskmap" "$work/bin/"
cp -r "$build/lib" "$work/lib/deskmap/modules"
cat >"$work/windows.py" <<'PY'
import gi
gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk
GLib.set_prgname("org.example.Bench")
windows = []
for n in range(100):
    window = Gtk.Window(title=f"window {n + 1}")
    window.set_default_size(200, 100)
    window.show_all()
    windows.append(window)
Gtk.main()
PY
chmod -R a+rX "$work"
as_user=()
if [ "$(id -u)" = 0 ]; then
  chown -R nobody:nogroup "$work"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
session=(env -i PATH="$PATH" HOME="$work/home" XDG_RUNTIME_DIR="$work/run" LANG=C.UTF-8
  XDG_CONFIG_HOME="$work/home/.config" XDG_CURRENT_DESKTOP=KDE WAYLAND_DISPLAY=wayland-bench
  QT_QPA_PLATFORM=wayland DBUS_SESSION_BUS_ADDRESS="unix:path=$work/run/bus")
"${as_user[@]}" "${session[@]}" dbus-daemon --session --nofork --address="unix:path=$work/run/bus" &
pids+=($!)
until [ -S "$work/run/bus" ]; do sleep 0.05; done
"${as_user[@]}" "${session[@]}" "$work/bin/kwin_wayland" --virtual --no-lockscreen \
  --no-global-shortcuts --no-kactivities --socket wayland-bench --width 1920 --height 1080 \
  >"$work/kwin.log" 2>&1 &
pids+=($!)
desktops=(gdbus call --session --dest org.kde.KWin --object-path /VirtualDesktopManager
  --method org.freedesktop.DBus.Properties.GetAll org.kde.KWin.VirtualDesktopManager)
until "${as_user[@]}" "${session[@]}" "${desktops[@]}" >/dev/null 2>&1; do sleep 0.1; done

"${as_user[@]}" "${session[@]}" GDK_BACKEND=wayland python3 "$work/windows.py" >"$work/windows.log" 2>&1 &
pids+=($!)
deskmap=("${as_user[@]}" "${session[@]}" "$work/bin/deskmap")
listed() { "${deskmap[@]}" spaces --desktop kde --json | grep -c '"windowID"' || true; }
for _ in $(seq 300); do [ "$(listed)" -ge 100 ] && break; sleep 0.1; done
# Ten windows on each desktop, through a script of the bench's own.
cat >"$work/spread.js" <<'JS'
workspace.clientList().forEach(function (c, n) { if (c.normalWindow) c.desktop = n % 10 + 1; });
JS
chmod a+r "$work/spread.js"
id=$("${as_user[@]}" "${session[@]}" gdbus call --session --dest org.kde.KWin --object-path /Scripting \
  --method org.kde.kwin.Scripting.loadScript "$work/spread.js" bench-spread | tr -dc 0-9)
"${as_user[@]}" "${session[@]}" gdbus call --session --dest org.kde.KWin --object-path "/$id" \
  --method org.kde.kwin.Script.run >/dev/null

. "$(dirname "$0")/median.sh"

echo "windows listed by deskmap: $(listed)"
echo "Spaces listed by deskmap: $("${deskmap[@]}" spaces --desktop kde --json | grep -c '"isCurrent"')"
# Taken in turns, so that both see the same moments of a noisy machine.
ours_times=() theirs_times=()
for _ in $(seq "$runs"); do
  start=$(date +%s%N); "${deskmap[@]}" spaces --desktop kde >/dev/null
  ours_times+=($(( ($(date +%s%N) - start) / 1000 )))
  start=$(date +%s%N); "${as_user[@]}" "${session[@]}" "${desktops[@]}" >/dev/null
  theirs_times+=($(( ($(date +%s%N) - start) / 1000 )))
done
middle() { printf '%s\n' "$@" | sort -n | sed -n "$(( (runs + 1) / 2 ))p"; }
ours=$(middle "${ours_times[@]}")
theirs=$(middle "${theirs_times[@]}")
# Where the time goes: the program's own start and print, without KWin.
alone=$(median "${deskmap[@]}" spaces --desktop demo)
echo "deskmap spaces --desktop kde: median ${ours} us over $runs runs"
echo "gdbus call GetAll:            median ${theirs} us over $runs runs"
echo "deskmap spaces --desktop demo (no KWin): median ${alone} us"
awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "ratio deskmap/gdbus: %.2f (target <= 2.00)\n", a / b }'
