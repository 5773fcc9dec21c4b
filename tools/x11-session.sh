#!/usr/bin/env bash
# Runs a command inside an X server as a desktop would: a real window
# manager with a system tray (icewm) first, the command once the tray is
# there. Used under xvfb-run by the test runner, `make run` and screenshots.
set -uo pipefail
icewm >/dev/null 2>&1 &
wm=$!
for _ in $(seq 100); do
  xwininfo -root -tree 2>/dev/null | grep -q '"SystemTray"' && break
  sleep 0.1
done
"$@"
rc=$?
kill "$wm" 2>/dev/null
wait "$wm" 2>/dev/null
exit $rc
