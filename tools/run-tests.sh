#!/usr/bin/env bash
# Runs every CTest label of a build tree. The whole run gets a private Xvfb
# with a window manager that has a system tray (the x11 label needs both;
# unit tests have DISPLAY cleared by CTest, gui and print tests use Qt's
# offscreen platform and clear it themselves), a headless Wayland session
# with the desktop portal beside it (the wayland label; its tests take the
# session's names themselves) and a private CUPS scheduler (the print
# label), so one ctest summary covers all.
set -euo pipefail
build=${1:-build}
tools=$(cd "$(dirname "$0")" && pwd)
cd "$build"
export PX_TEST_TMP=${PX_TEST_TMP:-/tmp}
# A sanitized tree (make asan): every report fails the program that made it,
# with an exit code our programs never return themselves (1 and 2 are
# theirs, and tests check them), so a report in a child program fails the
# test that checks its exit too. Leaks kept by system libraries are
# suppressed by library in lsan.supp.
if grep -qx 'PX_SANITIZE:BOOL=ON' CMakeCache.txt 2>/dev/null; then
  export ASAN_OPTIONS=exitcode=23:detect_leaks=1
  export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:exitcode=23
  export LSAN_OPTIONS=suppressions=$tools/lsan.supp:print_suppressions=0
fi
# run from a Wayland desktop, the X11 tests would otherwise get the portal;
# the Wayland tests name their own session
unset WAYLAND_DISPLAY XDG_SESSION_TYPE
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "run-tests: xvfb-run missing; run 'make setup'" >&2
  exit 1
fi
# print tests need a private CUPS scheduler, which only root can start
printing=("$tools/cups-session.sh")
# the GNOME and KDE tests have a runner of their own (make test-desktops)
filter=(-LE '^(gnome|kde)$')
if [ "$(id -u)" -ne 0 ]; then
  echo "run-tests: not root: no private CUPS scheduler, the print tests do NOT run" >&2
  printing=()
  filter=(-LE '^(gnome|kde|print)$')
fi
# -noreset: Xvfb would otherwise reset whenever its last client disconnects
exec xvfb-run -a -s "-screen 0 1280x800x24 -noreset" \
  "$tools/x11-session.sh" "$tools/wayland-session.sh" "${printing[@]}" ctest --output-on-failure -j "$(nproc)" "${filter[@]}" </dev/null
