#!/usr/bin/env bash
# Runs a command against a private Secret Service: a session bus of its own
# (dbus-run-session) with an unlocked keyring daemon whose files live in a
# temporary home that is removed afterwards.
#   with-secret-service.sh COMMAND [ARGS...]
set -euo pipefail

if [ "${DESKMAP_INSIDE_SESSION:-}" != 1 ]; then
  home="$(mktemp -d "${TMPDIR:-/tmp}/deskmap-keyring-XXXXXX")"
  trap 'rm -rf "$home"' EXIT
  mkdir -m 700 "$home/run"
  status=0
  HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
    XDG_RUNTIME_DIR="$home/run" DESKMAP_INSIDE_SESSION=1 \
    dbus-run-session -- "$0" "$@" || status=$?
  exit "$status"
fi

# The daemon forks into the background and lives as long as the bus.
printf 'deskmap-test' | gnome-keyring-daemon --daemonize --unlock --components=secrets >/dev/null

# Wait until the service has claimed its name on the bus.
for _ in $(seq 1 100); do
  if dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
       org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null |
     grep -q 'boolean true'; then
    exec "$@"
  fi
  sleep 0.1
done
echo "with-secret-service: the Secret Service did not start" >&2
exit 1
