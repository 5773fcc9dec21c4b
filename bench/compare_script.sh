#!/usr/bin/env bash
# The script interpreter against bash and tclsh on the same loop: a while
# loop with arithmetic, a string length and text substitution, N passes
# (BENCH_ITERATIONS, default 10^6). Prints times, statements per second of
# the interpreter, and the ratios.
set -euo pipefail
build=${1:-build-bench}
n=${BENCH_ITERATIONS:-1000000}
here=$(cd "$(dirname "$0")" && pwd)
instari=$(find "$build" -maxdepth 3 -type f -name instari -perm -u+x | head -n 1)
if [ -z "$instari" ]; then
  echo "compare_script: instari is not built in $build"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sed "s/^n = 1000000$/n = $n/" "$here/script_loop.inf" >"$work/loop.inf"

cat >"$work/loop.sh" <<BASH
i=0; n=$n
while (( i < n )); do
  (( i++ ))
  (( x = i * 3 + 7 ))
  (( y = x % 11 ))
  t="item \$i-\$y"
  l=\${#t}
done
echo "i=\$i x=\$x y=\$y t=\$t l=\$l"
BASH

cat >"$work/loop.tcl" <<TCL
proc run {n} {
  set i 0
  while {\$i < \$n} {
    incr i
    set x [expr {\$i * 3 + 7}]
    set y [expr {\$x % 11}]
    set t "item \$i-\$y"
    set l [string length \$t]
  }
  puts "i=\$i x=\$x y=\$y t=\$t l=\$l"
}
run $n
TCL

. "$(dirname "$0")/lib.sh"

export WINDIR="$work/windows"
t_instari=$(seconds "$instari" --console "$work/loop.inf")
t_bash=$(seconds bash "$work/loop.sh")
if command -v tclsh >/dev/null 2>&1; then
  t_tcl=$(seconds tclsh "$work/loop.tcl")
else
  t_tcl=""
fi
# 7 statements a pass: while, i++, three assignments, strlen, endwhile
statements=$((n * 7))
printf "loop of %d passes (%d statements)\n" "$n" "$statements"
printf "  instari  %8.2f s   %12.0f statements/s\n" "$t_instari" "$(awk -v s="$statements" -v t="$t_instari" 'BEGIN { print s / t }')"
printf "  bash     %8.2f s   ratio bash/instari  %6.2f\n" "$t_bash" "$(awk -v a="$t_bash" -v b="$t_instari" 'BEGIN { print a / b }')"
if [ -n "$t_tcl" ]; then
  printf "  tclsh    %8.2f s   ratio tclsh/instari %6.2f\n" "$t_tcl" "$(awk -v a="$t_tcl" -v b="$t_instari" 'BEGIN { print a / b }')"
else
  echo "  tclsh    missing (make setup installs tcl)"
fi
