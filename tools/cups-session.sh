#!/usr/bin/env bash
# Runs a command with a private CUPS scheduler of its own: every folder in
# a scratch directory, listening only on a socket there, with two queues
# that write what they are sent into files (PX_CUPS_OUT/PXA.pdf, PXB.pdf;
# PXA is the default). CUPS_SERVER points the command at it. The system's
# printers and settings are not touched. Needs root, as cupsd does.
set -uo pipefail
if [ "$(id -u)" -ne 0 ]; then
  echo "cups-session: a private CUPS scheduler needs root; print tests cannot run" >&2
  exit 1
fi
dir=$(mktemp -d "${TMPDIR:-/tmp}/pxcups.XXXXXX")
chmod 755 "$dir"
mkdir -p "$dir"/{spool,cache,state,log,out,ppd,ssl} "$dir/tmp"
chmod 1777 "$dir/tmp" "$dir/out"
cat >"$dir/cupsd.conf" <<CONF
Listen $dir/cups.sock
LogLevel warn
MaxLogSize 0
WebInterface No
Browsing No
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
CONF
cat >"$dir/cups-files.conf" <<CONF
ServerRoot $dir
RequestRoot $dir/spool
CacheDir $dir/cache
StateDir $dir/state
TempDir $dir/tmp
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
ServerKeychain $dir/ssl
FileDevice Yes
Printcap $dir/printcap
CONF
cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" &
pid=$!
export CUPS_SERVER="$dir/cups.sock" PX_CUPS_OUT="$dir/out"
for _ in $(seq 100); do
  [ -S "$dir/cups.sock" ] && lpstat -r >/dev/null 2>&1 && break
  sleep 0.05
done
# queues that keep what they are sent as PDF in a file each
ppd="$(cd "$(dirname "$0")/.." && pwd)/tests/printing/pdffile.ppd"
for q in PXA PXB; do
  lpadmin -p "$q" -E -v "file://$dir/out/$q.pdf" -P "$ppd" 2>&1 | grep -v deprecated >&2
done
lpadmin -d PXA
"$@"
rc=$?
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
[ -n "${PX_CUPS_KEEP:-}" ] || rm -rf "$dir"
exit $rc
