# Shared by the compare_*.sh scripts; source it (best_ms wants $runs set).

best_ms() {  # best wall time in milliseconds of $runs runs of the command
  local best=
  for _ in $(seq "$runs"); do
    local t0 t1
    t0=$(date +%s%N)
    "$@" >/dev/null
    t1=$(date +%s%N)
    local ms=$(((t1 - t0) / 1000000))
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  echo "$best"
}

seconds() {  # command... -> its wall time in seconds, output discarded
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}

# in_x_session WxH command...: runs the command on a private Xvfb of that
# size with icewm and its tray, WINDIR and HOME in a scratch folder.
in_x_session() {
  local size=$1
  shift
  local scratch tools
  scratch=$(mktemp -d)
  tools=$(cd "$(dirname "${BASH_SOURCE[0]}")/../tools" && pwd)
  mkdir -p "$scratch/home"
  WINDIR="$scratch" HOME="$scratch/home" xvfb-run -a -s "-screen 0 ${size}x24 -noreset" \
    "$tools/x11-session.sh" "$@"
  local rc=$?
  rm -rf "$scratch"
  return $rc
}
