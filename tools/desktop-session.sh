#!/usr/bin/env bash
# Runs a command beside a headless GNOME or KDE Plasma session with the
# desktop portal, as tools/wayland-session.sh does with sway:
#   desktop-session.sh gnome|kde command...
# Everything of the session runs as a system user in a private folder: a
# fake system bus (the shell dies at start without one), a session bus of
# its own, the compositor (software rendering), pipewire and the portal
# with only the desktop's back ends. The command's environment stays as it
# was; the session is handed on in PX_GNOME_* or PX_KDE_*: DISPLAY (socket
# path), BUS (bus address), RUNTIME (XDG_RUNTIME_DIR), HOME (where the
# portal saves its files).
set -uo pipefail
desktop=$1
shift
case $desktop in
  gnome) prefix=PX_GNOME ;;
  kde) prefix=PX_KDE ;;
  *)
    echo "desktop-session: gnome or kde, not '$desktop'" >&2
    exit 2
    ;;
esac
user=pxdesktop
qml=${PX_DESKTOP_CACHE:-/var/cache/prentix-desktops}/qml
session=$(mktemp -d "${PX_TEST_TMP:-/tmp}/$desktop.XXXXXX")
chmod 0711 "$session"
mkdir -m 0700 "$session/run" "$session/home"
mkdir "$session/portals" "$session/services"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  id -u "$user" >/dev/null 2>&1 ||
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user" ||
    id -u "$user" >/dev/null 2>&1 # another run may have made it meanwhile
  chown "$user:" "$session/run" "$session/home"
  as_user=(setpriv --reuid="$user" --regid="$user" --init-groups --reset-env)
fi

pids=()
# Services started through the bus outlive their starter: every process of
# the session carries its folder in PX_DESKTOP_SESSION.
stop_services() {
  local e p
  for e in /proc/[0-9]*/environ; do
    if { tr '\0' '\n' <"$e"; } 2>/dev/null | grep -qxF "PX_DESKTOP_SESSION=$session"; then
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

fail() {
  echo "desktop-session: $desktop: $1" >&2
  for log in "$session"/*.log; do
    [ -s "$log" ] && { echo "--- $log" >&2; tail -30 "$log" >&2; }
  done
  exit 1
}

wait_for() { # path: a socket that appears
  for _ in $(seq 200); do
    [ -S "$1" ] && return 0
    sleep 0.05
  done
  return 1
}

bus="unix:path=$session/run/bus"
system_bus="unix:path=$session/run/fake-system-bus"
case $desktop in
  gnome)
    current=GNOME
    portals=(gnome gnome-shell gtk)
    services=(org.freedesktop.impl.portal.desktop.gnome org.freedesktop.impl.portal.desktop.gtk
      ca.desrt.dconf)
    ;;
  kde)
    current=KDE
    portals=(kde)
    services=(org.freedesktop.impl.portal.desktop.kde)
    ;;
esac
services+=(org.freedesktop.portal.Desktop org.freedesktop.impl.portal.PermissionStore)
# only this desktop's back ends: another one installed would answer for it
for p in "${portals[@]}"; do
  cp "/usr/share/xdg-desktop-portal/portals/$p.portal" "$session/portals/"
done
for name in "${services[@]}"; do
  [ -f "/usr/share/dbus-1/services/$name.service" ] &&
    cp "/usr/share/dbus-1/services/$name.service" "$session/services/"
done
# The caller (root in CI) joins the session user's bus.
for kind in session system; do
  listen=$bus
  [ $kind = system ] && listen=$system_bus
  cat >"$session/$kind-bus.conf" <<EOF
<busconfig>
  <type>session</type>
  <listen>$listen</listen>
  $([ $kind = session ] && echo "<servicedir>$session/services</servicedir>")
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
done
chmod 0644 "$session"/*.conf

env_of_session=(XDG_RUNTIME_DIR="$session/run" HOME="$session/home" PATH="$PATH"
  XDG_CURRENT_DESKTOP="$current" XDG_SESSION_TYPE=wayland XDG_SESSION_DESKTOP="${current,,}"
  XDG_DESKTOP_PORTAL_DIR="$session/portals" DBUS_SESSION_BUS_ADDRESS="$bus"
  DBUS_SYSTEM_BUS_ADDRESS="$system_bus" WAYLAND_DISPLAY=wayland-0 LANG=C.UTF-8
  PX_DESKTOP_SESSION="$session")
in_session=("${as_user[@]}" env "${env_of_session[@]}")

"${in_session[@]}" dbus-daemon --config-file="$session/system-bus.conf" --nofork \
  >"$session/system-bus.log" 2>&1 &
pids+=($!)
"${in_session[@]}" dbus-daemon --config-file="$session/session-bus.conf" --nofork \
  >"$session/session-bus.log" 2>&1 &
pids+=($!)
wait_for "$session/run/fake-system-bus" && wait_for "$session/run/bus" || fail "no bus"

case $desktop in
  gnome)
    "${in_session[@]}" gnome-shell --headless --wayland --no-x11 \
      --virtual-monitor 1280x720 >"$session/compositor.log" 2>&1 &
    pids+=($!)
    ;;
  kde)
    # The installed kwin_wayland carries a file capability that a container
    # may refuse ("Operation not permitted"); a copy has none.
    cp /usr/bin/kwin_wayland "$session/kwin_wayland"
    chmod 0755 "$session/kwin_wayland"
    "${in_session[@]}" \
      "$session/kwin_wayland" --virtual --width 1280 --height 720 --no-lockscreen \
      --socket wayland-0 >"$session/compositor.log" 2>&1 &
    pids+=($!)
    ;;
esac
wait_for "$session/run/wayland-0" || fail "the compositor did not start"

"${in_session[@]}" pipewire >"$session/pipewire.log" 2>&1 &
pids+=($!)
wait_for "$session/run/pipewire-0" || fail "pipewire did not start"

# The back end first, with what it needs, then the portal that finds it.
case $desktop in
  gnome)
    # the shell's own interface is there once it is ready for shots
    for _ in $(seq 200); do
      "${in_session[@]}" gdbus introspect --session --dest org.gnome.Shell.Screenshot \
        --object-path /org/gnome/Shell/Screenshot >/dev/null 2>&1 && break
      sleep 0.1
    done
    "${in_session[@]}" /usr/libexec/xdg-desktop-portal-gnome >"$session/backend.log" 2>&1 &
    pids+=($!)
    backend=org.freedesktop.impl.portal.desktop.gnome
    ;;
  kde)
    # Its dialog is built even for a shot nobody sees; the two QML folders
    # it needs come with setup (tools/setup-desktops.sh).
    [ -d "$qml" ] || fail "no $qml: run 'make test-desktops' (tools/setup-desktops.sh)"
    mkdir "$session/home/Pictures" # the back end saves there, and fails without it
    chown "$user:" "$session/home/Pictures" 2>/dev/null
    "${in_session[@]}" QT_QPA_PLATFORM=wayland QML2_IMPORT_PATH="$qml" \
      /usr/lib/*/libexec/xdg-desktop-portal-kde >"$session/backend.log" 2>&1 &
    pids+=($!)
    backend=org.freedesktop.impl.portal.desktop.kde
    ;;
esac
"${in_session[@]}" gdbus wait --session "$backend" --timeout 20 || fail "no portal back end"
# The portal runs as its callers: it reads their /proc/PID/root to tell a
# sandboxed program from another.
env "${env_of_session[@]}" /usr/libexec/xdg-desktop-portal >"$session/portal.log" 2>&1 &
pids+=($!)
"${in_session[@]}" gdbus wait --session org.freedesktop.portal.Desktop --timeout 20 ||
  fail "the portal did not start"

# The shell opens its overview once started, which would hide every window:
# closed, and seen to stay closed.
if [ "$desktop" = gnome ]; then
  overview=(gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell
    --method org.freedesktop.DBus.Properties)
  closed=0
  for _ in $(seq 100); do
    if "${in_session[@]}" "${overview[@]}.Get" org.gnome.Shell OverviewActive 2>/dev/null |
      grep -q false; then
      closed=$((closed + 1))
      [ $closed -ge 5 ] && break
    else
      closed=0
      "${in_session[@]}" "${overview[@]}.Set" org.gnome.Shell OverviewActive '<false>' \
        >/dev/null 2>&1
    fi
    sleep 0.2
  done
  [ $closed -ge 5 ] || fail "the shell's overview stays open"
fi

export "${prefix}_DISPLAY=$session/run/wayland-0" "${prefix}_BUS=$bus" \
  "${prefix}_RUNTIME=$session/run" "${prefix}_HOME=$session/home"
"$@"
