# Sourced by the tests that drive the built verdane in a real X server: checks
# the tools, makes the scratch folder $work (removed at exit with the programs
# whose pids are in $app_pid and $server_pid), starts Xvfb on a free display and
# exports DISPLAY. Gives the tests fail MESSAGE, window NAME-PATTERN (the id of
# the visible window so named, waited for up to a minute), press ID XDOTOOL-ARGS
# (the window focused, then the keys) and ended (the program has ended).
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 1; }
done
work=$(mktemp -d)
# Unsaved texts of the program under test are kept in the scratch folder, never
# offered to the user's own next start.
export XDG_STATE_HOME="$work/state"
xvfb_pid=
app_pid=
server_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number to the given descriptor;
# -noreset keeps the server as it is when the last client leaves, so a quick
# restart of the program does not meet a server in the middle of its reset.
Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
i=0
while [ ! -s "$work/display" ]; do
  i=$((i + 1)); [ $i -lt 200 ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
  sleep 0.05
done
DISPLAY=:$(cat "$work/display")
export DISPLAY

fail() { echo "FAIL: $1"; cat "$work/verdane.log" 2>/dev/null; exit 1; }
window() {
  n=0
  while :; do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    [ -z "$id" ] || { echo "$id"; return 0; }
    n=$((n + 1)); [ $n -lt 1200 ] || return 1
    sleep 0.05
  done
}
press() {
  xdotool windowfocus "$1" 2>/dev/null || true
  sleep 0.3
  shift
  xdotool "$@"
}
ended() {
  n=0
  while kill -0 "$app_pid" 2>/dev/null; do
    n=$((n + 1)); [ $n -lt 200 ] || return 1
    sleep 0.05
  done
  app_pid=
}
