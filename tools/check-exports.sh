#!/usr/bin/env bash
# check-exports.sh LIBRARY HEADER [SYMBOLS]: the library's dynamic symbols
# are exactly the functions its header marks with its export macro
# (PXNTHOOK_API, IXSTDF_API), and, given a Debian symbols file, exactly the
# names that file lists. Anything else would be part of the ABI by mistake.
set -euo pipefail
lib=$1 header=$2 symbols=${3:-}
fail=0

exported=$(nm -D --defined-only "$lib" | awk '{print $NF}' | sort)
declared=$(sed -n -E '/^#/d; s/^[A-Z0-9]+_API [^(]*[^A-Za-z0-9_]([A-Za-z_][A-Za-z0-9_]*)\(.*/\1/p' \
  "$header" | sort)
[ -n "$declared" ] || { echo "check-exports: no exports declared in $header"; exit 1; }

differ() {  # differ WHAT LIST-A NAME-A LIST-B NAME-B
  local only
  only=$(comm -23 <(echo "$2") <(echo "$4"))
  [ -z "$only" ] || { echo "check-exports: $1: $3 but not $5:" $only; fail=1; }
  only=$(comm -13 <(echo "$2") <(echo "$4"))
  [ -z "$only" ] || { echo "check-exports: $1: $5 but not $3:" $only; fail=1; }
}
differ "$(basename "$lib")" "$exported" "exported" "$declared" "declared in $(basename "$header")"
if [ -n "$symbols" ]; then
  listed=$(sed -n -E 's/^ ([^@ ]+)@Base .*/\1/p' "$symbols" | sort)
  differ "$(basename "$lib")" "$exported" "exported" "$listed" "listed in $(basename "$symbols")"
fi
[ $fail -eq 0 ] && echo "check-exports: $(basename "$lib"): $(wc -l <<<"$exported") symbols as declared"
exit $fail
