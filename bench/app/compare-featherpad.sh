#!/bin/sh
# Opens the same text in verdane and in FeatherPad (Debian package featherpad),
# one after the other in one run, each in a fresh Xvfb, and prints for each:
#   window  ms from start to a visible window whose caption names the file
#   loaded  ms from start until the program has gone idle (no processor time used
#           for 300 ms): the text is in and laid out
#   rss     resident memory (MB) once idle
# and the ratios verdane / FeatherPad.
# Usage: bench/app/compare-featherpad.sh VERDANE FILE [ROUNDS]
set -eu
verdane=$1
file=$(readlink -f "$2")
rounds=${3:-3}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
for tool in Xvfb xdotool featherpad; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 1; }
done
work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cp -r "$source_dir/examples/palm-desktop" "$work/desktop"
export VERDANE_REGISTRY="$work/desktop/registry.reg"
name=$(basename "$file")
clk=$(getconf CLK_TCK)

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# measure PROGRAM... : prints "window loaded rss"
measure() {
  rm -rf "$work/config" "$work/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb_pid=$!
  while [ ! -s "$work/display" ]; do sleep 0.02; done
  export DISPLAY=:$(cat "$work/display")
  export XDG_CONFIG_HOME="$work/config"
  start=$(now_ms)
  "$@" "$file" >/dev/null 2>&1 &
  app_pid=$!
  window=
  while [ -z "$window" ]; do
    if xdotool search --onlyvisible --name "$name" >/dev/null 2>&1; then window=$(( $(now_ms) - start )); else sleep 0.01; fi
  done
  last=$(cpu_ticks $app_pid); idle_since=$(now_ms); loaded=
  while [ -z "$loaded" ]; do
    sleep 0.05
    t=$(cpu_ticks $app_pid)
    if [ "$t" != "$last" ]; then last=$t; idle_since=$(now_ms)
    elif [ $(( $(now_ms) - idle_since )) -ge 300 ]; then loaded=$(( idle_since - start )); fi
  done
  rss=$(awk '/^VmRSS:/ { printf "%d", $2 / 1024 }' "/proc/$app_pid/status")
  kill "$app_pid"; wait "$app_pid" 2>/dev/null || true; app_pid=
  kill "$xvfb_pid"; wait "$xvfb_pid" 2>/dev/null || true; xvfb_pid=
  echo "$window $loaded $rss"
}

echo "file: $file ($(( $(stat -c %s "$file") / 1048576 )) MB), $rounds rounds, medians"
median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
for prog in verdane featherpad; do
  : >"$work/$prog"
  i=0
  while [ $i -lt "$rounds" ]; do
    if [ $prog = verdane ]; then measure "$verdane" >>"$work/$prog"; else measure featherpad >>"$work/$prog"; fi
    i=$((i + 1))
  done
done
for prog in verdane featherpad; do
  w=$(cut -d' ' -f1 "$work/$prog" | median); l=$(cut -d' ' -f2 "$work/$prog" | median); r=$(cut -d' ' -f3 "$work/$prog" | median)
  echo "$prog: window ${w} ms, loaded ${l} ms, rss ${r} MB"
  eval "${prog}_w=$w ${prog}_l=$l ${prog}_r=$r"
done
awk -v vw="$verdane_w" -v fw="$featherpad_w" -v vl="$verdane_l" -v fl="$featherpad_l" -v vr="$verdane_r" -v fr="$featherpad_r" \
  'BEGIN { printf "verdane / featherpad: window %.2f, loaded %.2f, rss %.2f\n", vw / fw, vl / fl, vr / fr }'
