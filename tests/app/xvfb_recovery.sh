#!/bin/sh
# A text edited and then lost to kill -9 comes back, tried with keys in a real X
# server (Xvfb): the edits typed into note.txt reach a snapshot readable by its
# owner only; after the kill a new start offers it, Enter restores it (modified,
# still note.txt), Ctrl+S writes it over note.txt with the typed line, and the
# snapshot is gone; edits given up with No at the close leave none either.
set -eu
verdane=$1
source_dir=$2
. "$(dirname "$0")/xvfb_start.sh"
cp -r "$source_dir/examples/palm-desktop" "$work/desktop"
export VERDANE_REGISTRY="$work/desktop/registry.reg" HOME="$work/home"
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state"
unset QT_QPA_PLATFORM
mkdir -p "$work/books" "$HOME"
printf 'first line\r\n' >"$work/books/note.txt"
snapshots="$XDG_STATE_HOME/verdane/recovery"

"$verdane" "$work/books/note.txt" >"$work/verdane.log" 2>&1 &
app_pid=$!
main=$(window '^note\.txt - Verdane Ver1\.22$') || fail "no window for note.txt"
press "$main" key ctrl+End
xdotool type --delay 20 'typed before the kill'
# A pause in the typing may write a snapshot of part of it first.
n=0
until grep -qs 'typed before the kill' "$snapshots"/*.snapshot; do
  n=$((n + 1)); [ $n -lt 300 ] || fail "no snapshot with the typed text 15 s after typing"
  sleep 0.05
done
[ "$(stat -c %a "$snapshots")" = 700 ] || fail "the recovery folder is $(stat -c %a "$snapshots"), not 700"
[ "$(stat -c %a "$snapshots"/*.snapshot)" = 600 ] || fail "the snapshot is not 600"
kill -9 "$app_pid"
wait "$app_pid" 2>/dev/null || true

"$verdane" >"$work/verdane.log" 2>&1 &
app_pid=$!
offer=$(window '^文書の復元$') || fail "the next start offered nothing"
[ -z "${VERDANE_SHOTS:-}" ] || import -window root "$VERDANE_SHOTS/offer.png"
press "$offer" key Return
main=$(window '^note\.txt\* - Verdane Ver1\.22$') || fail "the restored text is not note.txt"
[ -z "${VERDANE_SHOTS:-}" ] || import -window root "$VERDANE_SHOTS/restored.png"
press "$main" key ctrl+s
# The save dialog proposes "note": Tab reaches its file type, Up picks the
# text type, Enter writes note.txt.
window 'Save|保存' >/dev/null || fail "Ctrl+S showed no save dialog"
sleep 1
xdotool key Tab
xdotool key Up
sleep 0.2
xdotool key Return
expected="$work/expected.txt"
printf 'first line\r\ntyped before the kill' >"$expected"
n=0
until cmp -s "$work/books/note.txt" "$expected"; do
  n=$((n + 1)); [ $n -lt 200 ] || { od -c "$work/books/note.txt" | head; fail "note.txt does not hold the restored text"; }
  sleep 0.05
done
n=0
while ls "$snapshots"/*.snapshot >/dev/null 2>&1; do
  n=$((n + 1)); [ $n -lt 100 ] || fail "the snapshot stayed after the save"
  sleep 0.05
done
echo "after kill -9 the typed line came back and was saved into note.txt"

# Edits given up at the close (No) leave no snapshot behind.
press "$main" type 'given up'
n=0
until grep -qs 'given up' "$snapshots"/*.snapshot; do
  n=$((n + 1)); [ $n -lt 300 ] || fail "no snapshot of the second edit"
  sleep 0.05
done
press "$main" key ctrl+q
window '^変更されています$' >/dev/null || fail "Ctrl+Q with edits asked nothing"
xdotool key alt+n
wait "$app_pid" 2>/dev/null || true
app_pid=
! ls "$snapshots"/*.snapshot >/dev/null 2>&1 || fail "the snapshot stayed after No at the close"
echo "No at the close removed the snapshot"
