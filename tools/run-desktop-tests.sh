#!/usr/bin/env bash
# Runs the kde label of a build tree beside a headless KDE Plasma session
# (tools/desktop-session.sh; it starts GNOME too, for tests to come). The
# packages come from tools/setup-desktops.sh.
set -euo pipefail
build=${1:-build}
tools=$(cd "$(dirname "$0")" && pwd)
cd "$build"
export PX_TEST_TMP=${PX_TEST_TMP:-/tmp}
unset WAYLAND_DISPLAY XDG_SESSION_TYPE DISPLAY
exec "$tools/desktop-session.sh" kde ctest --output-on-failure -L '^kde$' </dev/null
