#!/usr/bin/env bash
# Runs the gnome and kde labels of a build tree, each beside a headless
# session of its desktop (tools/desktop-session.sh). The packages come from
# tools/setup-desktops.sh.
set -euo pipefail
build=${1:-build}
tools=$(cd "$(dirname "$0")" && pwd)
cd "$build"
export PX_TEST_TMP=${PX_TEST_TMP:-/tmp}
unset WAYLAND_DISPLAY XDG_SESSION_TYPE DISPLAY
rc=0
for desktop in gnome kde; do
  "$tools/desktop-session.sh" "$desktop" ctest --output-on-failure -L "^$desktop\$" </dev/null || rc=1
done
exit $rc
