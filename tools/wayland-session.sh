#!/usr/bin/env bash
# Runs a command beside a headless Wayland session with the desktop portal,
# as a desktop would have it: a compositor (sway, headless, software
# rendering), a private session bus, pipewire (the portal's back end needs
# it even for screenshots) and the portal, started once through the bus.
# The command's own environment stays as it was (the X11 tests must not
# see a Wayland display); the session is handed on in PX_WAYLAND_DISPLAY
# (socket path), PX_WAYLAND_BUS (bus address), PX_WAYLAND_RUNTIME
# (XDG_RUNTIME_DIR of its clients) and PX_WAYLAND_SWAYSOCK.
# sway will not run as root: a root caller runs it as a system user.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
user=pxwayland
session=$(mktemp -d "${PX_TEST_TMP:-/tmp}/wayland.XXXXXX")
chmod 0711 "$session"
mkdir -m 0700 "$session/run" "$session/sway" "$session/portals"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  id -u "$user" >/dev/null 2>&1 ||
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user" ||
    id -u "$user" >/dev/null 2>&1 # another run may have made it meanwhile
  chown "$user:" "$session/sway"
  as_user=(setpriv --reuid="$user" --regid="$user" --init-groups --reset-env)
fi

pids=()
stop() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  rm -rf "$session"
}
trap stop EXIT
trap 'exit 130' INT TERM

cat >"$session/sway.conf" <<'EOF'
xwayland disable
output * resolution 1280x800 position 0 0 bg #000000 solid_color
EOF
chmod 0644 "$session/sway.conf"
"${as_user[@]}" env XDG_RUNTIME_DIR="$session/sway" WLR_BACKENDS=headless \
  WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman PATH="$PATH" HOME=/nonexistent \
  sway -c "$session/sway.conf" >"$session/sway.log" 2>&1 &
pids+=($!)
socket=
for _ in $(seq 100); do
  socket=$(find "$session/sway" -maxdepth 1 -type s -name 'wayland-*' 2>/dev/null | head -1)
  swaysock=$(find "$session/sway" -maxdepth 1 -type s -name 'sway-ipc.*' 2>/dev/null | head -1)
  [ -n "$socket" ] && [ -n "$swaysock" ] && break
  sleep 0.05
done
if [ -z "$socket" ] || [ -z "$swaysock" ]; then
  echo "wayland-session: sway did not start:" >&2
  cat "$session/sway.log" >&2
  exit 1
fi

# The portal offers Screenshot only when an Access back end exists too;
# the wlr back end answers no Access requests, and needs to answer none
# for a program outside a sandbox.
cp /usr/share/xdg-desktop-portal/portals/wlr.portal "$session/portals/"
cat >"$session/portals/pxaccess.portal" <<'EOF'
[portal]
DBusName=org.freedesktop.impl.portal.desktop.pxaccess
Interfaces=org.freedesktop.impl.portal.Access;
UseIn=sway
EOF

# the session's own programs; the command gets only the PX_WAYLAND_ names
bus="unix:path=$session/run/bus"
in_session=(env -u DISPLAY XDG_RUNTIME_DIR="$session/run" XDG_CURRENT_DESKTOP=sway
  XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY="$socket" XDG_DESKTOP_PORTAL_DIR="$session/portals"
  DBUS_SESSION_BUS_ADDRESS="$bus")
"${in_session[@]}" dbus-daemon --session --nofork --address="$bus" >"$session/dbus.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  [ -S "$session/run/bus" ] && break
  sleep 0.05
done
"${in_session[@]}" pipewire >"$session/pipewire.log" 2>&1 &
pids+=($!)
# one activation each; asking over and over would start a second portal
for name in org.freedesktop.portal.Desktop org.freedesktop.impl.portal.desktop.wlr; do
  if ! "${in_session[@]}" gdbus wait --session --activate "$name" --timeout 20; then
    echo "wayland-session: $name did not start" >&2
    exit 1
  fi
done
export PX_WAYLAND_DISPLAY="$socket" PX_WAYLAND_BUS="$bus" PX_WAYLAND_RUNTIME="$session/run" \
  PX_WAYLAND_SWAYSOCK="$swaysock"
"$@"
