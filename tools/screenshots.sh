#!/usr/bin/env bash
# `make screenshots`: renders Prentix's windows under a private Xvfb with a
# window manager, in German and English, into docs/screenshots/*.png.
set -euo pipefail
build=${1:-build}
repo=$(cd "$(dirname "$0")/.." && pwd)
prentix="$repo/$build/prentix/prentix"
[ -x "$prentix" ] || { echo "screenshots: $prentix is not built"; exit 1; }
out="$repo/docs/screenshots"
mkdir -p "$out"

if [ -z "${PX_IN_SESSION:-}" ]; then
  export PX_IN_SESSION=1
  exec xvfb-run -a -s "-screen 0 1024x720x24 -noreset" \
    "$repo/tools/x11-session.sh" "$0" "$@"
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# grab WINDOW NAME: the window with its frame, as a user sees it
grab() {
  sleep 0.6
  import -window "$1" -frame "$out/$2.png"
  echo "screenshots: docs/screenshots/$2.png"
}

for lang in de en; do
  case $lang in de) number=7 ;; en) number=9 ;; esac
  export WINDIR="$scratch/$lang/windows" HOME="$scratch/$lang/home"
  mkdir -p "$WINDIR" "$HOME"
  # captures are printed on the PDF-file printer, whatever printers this machine has
  printf '[Verwendung]\nTaskbar=no\nPRINTER=PDF file\nPage=yes\nFilename=yes\nLanguage=%s\n[Key]\nScreen=123\nWindow=a123\n' \
    "$number" \
    >"$WINDIR/prentix.ini"
  "$prentix" >/dev/null 2>&1 &
  pid=$!
  main=$(xdotool search --sync --onlyvisible --name '^Prentix$' | head -1)
  xdotool windowsize "$main" 640 460 windowmove "$main" 40 40
  grab "$main" "main-$lang"

  # the screen key: the capture shows in the window, and the PDF-file
  # printer tells once where its pages go (a box that waits for OK, over
  # where the clicks below land)
  xdotool key F12
  notice=
  for _ in $(seq 50); do
    notice=$(xdotool search --onlyvisible --name '^Prentix$' | grep -v "^$main$" | head -1 || true)
    [ -n "$notice" ] && break
    sleep 0.1
  done
  if [ -n "$notice" ]; then
    grab "$notice" "notice-$lang"
    xdotool windowactivate --sync "$notice" key Return
  fi
  grab "$main" "capture-$lang"
  # a pointer stamped into the capture, then zoomed in on it to 8:1 with the grid
  send() { "$repo/$build/pxnthook/pxsend" "$@"; sleep 0.3; }
  eval "$(xdotool getwindowgeometry --shell "$main")"
  cx=$((X + 300)) cy=$((Y + 250))
  send 32950
  xdotool mousemove "$cx" "$cy" click 1
  sleep 0.3
  xdotool mousemove $((X + 600)) $((Y + 400))
  grab "$main" "stamped-$lang"
  for _ in 1 2 3 4 5 6 7; do
    send 32953
    xdotool mousemove "$cx" "$cy" click 1
  done
  send 32956
  xdotool mousemove $((X + 600)) $((Y + 400))
  grab "$main" "zoom8-$lang"

  # the page it printed
  pdf=$(find "$HOME" -name 'prentix001.pdf' | head -1)
  if [ -n "$pdf" ]; then
    pdftoppm -r 60 -png -singlefile "$pdf" "$out/printed-$lang"
    echo "screenshots: docs/screenshots/printed-$lang.png"
  fi

  # the print preview of the capture, closed with its own button
  send 57609
  grab "$main" "preview-$lang"
  case $lang in de) close=alt+s ;; en) close=alt+c ;; esac
  xdotool windowactivate --sync "$main" key --clearmodifiers "$close"
  sleep 0.3

  # the about box, through the Help menu's last item
  xdotool windowactivate --sync "$main" key --clearmodifiers alt+h
  sleep 0.3
  xdotool key Up Return
  about=$(xdotool search --sync --onlyvisible --name 'Prentix$' | grep -v "^$main$" | head -1)
  grab "$about" "about-$lang"
  xdotool key Return
  sleep 0.3

  # the settings dialog, first item of the Settings menu: every page
  xdotool windowactivate --sync "$main" key --clearmodifiers alt+h
  sleep 0.3
  xdotool key Left Return
  settings=$(xdotool search --sync --onlyvisible --name '^(Einstellungen|Settings)$' | head -1)
  for page in 1 2 3 4 5 6 7 8 9; do
    grab "$settings" "settings$page-$lang"
    xdotool key ctrl+Tab
  done
  xdotool key Escape
  sleep 0.3

  # the tool bar's customising sheet, the menu's second item
  xdotool windowactivate --sync "$main" key --clearmodifiers alt+h
  sleep 0.3
  xdotool key Left Down Return
  sheet=$(xdotool search --sync --onlyvisible --name '^(Anpassen|Customize)$' | head -1)
  xdotool key ctrl+Tab
  grab "$sheet" "customize-$lang"
  xdotool key Escape
  kill "$pid"
  wait "$pid" 2>/dev/null || true
done

# The installer: a wizard's two pages over the background, then its window
# while the script works (the whole screen shows the background with it).
instari="$repo/$build/instari/instari"
mkdir -p "$scratch/setup/src"
for i in 1 2 3; do head -c 200000 /dev/zero >"$scratch/setup/src/prentix$i.pxi"; done
cat >"$scratch/setup/shots.inf" <<'INF'
dialogout 'Prentix 2.1 Setup'
createbackground 'Prentix 2.1 Setup'
wizardcreate
__WizardTitle__ = 'Prentix Wizard'
r = wizardpagetext 2 'Prentix prints what is on the screen the moment you press Print Screen.\n\nThis will install Prentix on your computer.'
dir = 'c:\\opt\\prentix'
docs = '1'
r = wizardpagebrowse 6 'DIR' 'Where shall Prentix be installed?' dir CHECK docs 'Documents'
wizardclose
copydirrecursive 'src' '%dir%'
sleep 4000
INF
for lang in de en; do
  case $lang in de) locale=de_DE.UTF-8 ;; en) locale=en_US.UTF-8 ;; esac
  export WINDIR="$scratch/$lang/windows" HOME="$scratch/$lang/home"
  mkdir -p "$WINDIR" "$HOME" "$scratch/$lang/drive/opt"
  printf '[Drives]\nC=%s\n' "$scratch/$lang/drive" >"$WINDIR/win.ini"
  (cd "$scratch/setup" && LANG=$locale "$instari" shots.inf >/dev/null 2>&1) &
  pid=$!
  wizard=$(xdotool search --sync --onlyvisible --name '^Prentix Wizard$' | head -1)
  grab "$wizard" "wizard-$lang"
  xdotool windowactivate --sync "$wizard" key Return
  sleep 0.4
  wizard=$(xdotool search --sync --onlyvisible --name '^Prentix Wizard$' | head -1)
  grab "$wizard" "wizardinput-$lang"
  xdotool windowactivate --sync "$wizard" key Return
  sleep 1.2
  window=$(xdotool search --sync --onlyvisible --name '^Prentix 2.1 Setup$' | head -1)
  grab "$window" "installer-$lang"
  import -window root "$out/background-$lang.png"
  echo "screenshots: docs/screenshots/background-$lang.png"
  wait "$pid" || true
done
