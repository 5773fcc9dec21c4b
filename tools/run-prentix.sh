#!/usr/bin/env bash
# `make run`: starts Prentix. On a desktop it runs there with your own
# settings (~/.config/tervola/prentix.ini) until you quit it. Without a
# display it shows what it does on a private X server with a window
# manager: starts, takes the screen key, and says where the result went.
set -euo pipefail
build=${1:-build}
repo=$(cd "$(dirname "$0")/.." && pwd)
prentix="$repo/$build/prentix/prentix"
[ -x "$prentix" ] || { echo "run: $prentix is not built"; exit 1; }

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${PX_IN_SESSION:-}" ]; then
  echo "run: starting Prentix on your desktop; its icon is in the tray (right click: window)"
  exec "$prentix"
fi

if [ -z "${PX_IN_SESSION:-}" ]; then
  export PX_IN_SESSION=1
  echo "run: no display here; a private X server (Xvfb) with the icewm window manager"
  exec xvfb-run -a -s "-screen 0 1024x720x24 -noreset" "$repo/tools/x11-session.sh" "$0" "$@"
fi

out="$repo/$build/run"
rm -rf "$out"
mkdir -p "$out/windows" "$out/home"
export WINDIR="$out/windows" HOME="$out/home" XDG_CONFIG_HOME="$out/home/.config"
# F12 captures the screen; the capture is shown in the window (no printer
# is used in this demonstration)
cat >"$WINDIR/prentix.ini" <<INI
[Verwendung]
Logging=$out/prentix.log
NoPrinter=1
[Key]
Screen=123
INI
"$prentix" >"$out/prentix.out" 2>&1 &
pid=$!
# ready once the hook knows the window
for _ in $(seq 100); do
  grep -qs '"hwnd"' "$WINDIR/registry.reg" && break
  sleep 0.1
done
sleep 0.5
if grep -qs 'no system tray' "$out/prentix.log"; then where="its window (no tray)"; else where="the tray"; fi
# something on the screen to capture
xlogo -geometry 260x200+420+90 2>/dev/null &
logo=$!
xclock -geometry 180x180+450+320 2>/dev/null &
clock=$!
sleep 0.5
echo "run: Prentix started in $where; pressing F12, the screen key"
xdotool key F12
sleep 1
# a right click on the tray icon opens the window, as a user would
tray=$(xwininfo -root -tree | awk '/"SystemTray"/ {print $1; exit}')
icon=$(xwininfo -id "$tray" -children 2>/dev/null | awk '/^ +0x/ {print $NF; exit}')
if [ -n "$icon" ]; then
  IFS=+ read -r _ x y <<<"$icon"
  xdotool mousemove $((x + 8)) $((y + 8)) click 3
fi
main=$(xdotool search --sync --onlyvisible --name '^Prentix$' | head -1)
xdotool windowsize "$main" 800 560 windowmove "$main" 20 20
sleep 0.8
import -window "$main" -frame "$out/prentix-window.png"
import -window root "$out/desktop.png"
kill "$pid" "$logo" "$clock"
wait 2>/dev/null || true
cat <<INFO

The capture went into Prentix's window; what happened is in $out:
  prentix-window.png   the window showing the captured screen
  desktop.png          the whole screen with the tray icon in the task bar
  prentix.log          the trace log (look for OnPrintScreen and OnPrintDk)
  windows/prentix.ini  the settings of this run ([Key] Screen=123: F12)
  windows/registry.reg the hook's target window and the .pxi document type
INFO
