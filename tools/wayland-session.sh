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
# The bus's services outlive the process that started them: every process
# of the session carries its folder in PX_WAYLAND_SESSION.
stop_services() {
  local e p
  for e in /proc/[0-9]*/environ; do
    if { tr '\0' '\n' <"$e"; } 2>/dev/null | grep -qxF "PX_WAYLAND_SESSION=$session"; then
      p=${e#/proc/}
      kill "${p%/environ}" 2>/dev/null
    fi
  done
}
stop() {
  stop_services
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  rm -rf "$session"
}
trap stop EXIT
trap 'exit 130' INT TERM

# two monitors, a smaller one right of the first, as many desks have them
cat >"$session/sway.conf" <<'EOF'
xwayland disable
output HEADLESS-1 resolution 1280x800 position 0 0 bg #000000 solid_color
output HEADLESS-2 resolution 640x480 position 1280 0 bg #000000 solid_color
EOF
chmod 0644 "$session/sway.conf"
"${as_user[@]}" env XDG_RUNTIME_DIR="$session/sway" WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS=2 \
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
  DBUS_SESSION_BUS_ADDRESS="$bus" PX_WAYLAND_SESSION="$session")
# A bus of its own that starts only what the shots need: the documents
# portal would mount a FUSE file system in the runtime folder.
mkdir "$session/services"
for name in org.freedesktop.portal.Desktop org.freedesktop.impl.portal.desktop.wlr \
  org.freedesktop.impl.portal.PermissionStore; do
  cp "/usr/share/dbus-1/services/$name.service" "$session/services/"
done
cat >"$session/bus.conf" <<EOF
<busconfig>
  <type>session</type>
  <listen>$bus</listen>
  <servicedir>$session/services</servicedir>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF

# Bus, pipewire and the portal, once activated (asking over and over would
# start a second portal). Now and then the portal hangs as it starts and
# never takes its name; then all three start again.
start_services() {
  rm -rf "$session/run"
  mkdir -m 0700 "$session/run"
  "${in_session[@]}" dbus-daemon --config-file="$session/bus.conf" --nofork \
    >"$session/dbus.log" 2>&1 &
  for _ in $(seq 100); do
    [ -S "$session/run/bus" ] && break
    sleep 0.05
  done
  "${in_session[@]}" pipewire >"$session/pipewire.log" 2>&1 &
  for _ in $(seq 100); do
    [ -S "$session/run/pipewire-0" ] && break
    sleep 0.05
  done
  local name
  for name in org.freedesktop.portal.Desktop org.freedesktop.impl.portal.desktop.wlr; do
    "${in_session[@]}" gdbus wait --session --activate "$name" --timeout 4 || return 1
  done
}
started=0
for attempt in 1 2 3; do
  if start_services; then
    started=1
    break
  fi
  echo "wayland-session: the portal did not start (attempt $attempt)" >&2
  stop_services
  sleep 0.2
done
if [ $started -ne 1 ]; then
  cat "$session/dbus.log" "$session/pipewire.log" >&2
  exit 1
fi
export PX_WAYLAND_DISPLAY="$socket" PX_WAYLAND_BUS="$bus" PX_WAYLAND_RUNTIME="$session/run" \
  PX_WAYLAND_SWAYSOCK="$swaysock"
"$@"
