#!/bin/sh
# The window and the file agree, tried with keys in a real X server (Xvfb):
# a deleted file's text is unsaved ("*", Ctrl+Q asks, 元の場所に保存 writes it
# back); after a lossy save (はい) the editor holds what was written: one more
# letter saved again asks nothing and adds only that letter; two Undos leave
# the text modified.
set -eu
verdane=$1
source_dir=$2
. "$(dirname "$0")/xvfb_start.sh"
cp -r "$source_dir/examples/palm-desktop" "$work/desktop"
export VERDANE_REGISTRY="$work/desktop/registry.reg" XDG_CONFIG_HOME="$work/config"
unset QT_QPA_PLATFORM

# A deleted file.
printf 'memo\r\n' >"$work/note.txt"
"$verdane" "$work/note.txt" >"$work/verdane.log" 2>&1 &
app_pid=$!
main=$(window '^note\.txt - Verdane Ver1\.22$') || fail "no window for note.txt"
rm "$work/note.txt"
window '^note\.txt\* - Verdane Ver1\.22$' >/dev/null || fail "the caption has no * once the file is gone"
press "$main" key ctrl+q
window '^変更されています$' >/dev/null || fail "Ctrl+Q asked nothing about the text of a deleted file"
xdotool key Escape
sleep 0.5
kill -0 "$app_pid" || fail "the program ended after Cancel"
press "$main" key alt+o
window '^note\.txt - Verdane Ver1\.22$' >/dev/null || fail "元の場所に保存 left the text modified"
[ "$(od -An -c "$work/note.txt" | tr -s ' ')" = " m e m o \r \n" ] || fail "元の場所に保存 did not write the text back"
press "$main" key ctrl+q
ended || fail "Ctrl+Q after the text was saved again did not end the program"
echo "a deleted file's text was unsaved text, and was saved where it was"

# A lossy save: café ø ß © 😀 〜 ¥ in UTF-8.
printf 'caf\303\251 \303\270 \303\237 \302\251 \360\237\230\200 \343\200\234 \302\245\n' >"$work/u8.txt"
"$verdane" "$work/u8.txt" >>"$work/verdane.log" 2>&1 &
app_pid=$!
main=$(window '^u8\.txt - Verdane Ver1\.22$') || fail "no window for u8.txt"
# 文字コードを指定して保存: Shift-JIS (the first code), then the file dialog's proposal.
press "$main" key alt+f
sleep 0.3
xdotool key e
window '^文字コードを指定して保存$' >/dev/null || fail "no code dialog"
sleep 0.3
xdotool key Home Return
sleep 1.5
xdotool key Return
question=$(window '^保存できない文字$') || fail "saving as Shift-JIS did not name the characters it lacks"
press "$question" key alt+y
n=0
until od -An -c "$work/u8.txt" | grep -q 'c   a   f   e'; do
  n=$((n + 1)); [ $n -lt 200 ] || fail "u8.txt was not written as Shift-JIS"
  sleep 0.05
done
cp "$work/u8.txt" "$work/first"
window '^u8\.txt - Verdane Ver1\.22$' >/dev/null || fail "the lossy save left the text modified"
press "$main" key ctrl+Home
xdotool type --delay 20 'X'
# The save dialog proposes "u8": Tab reaches its file type, Up picks the text type.
xdotool key ctrl+s
sleep 1.5
xdotool key Tab Up
sleep 0.2
xdotool key Return
printf 'X' >"$work/expected"
cat "$work/first" >>"$work/expected"
n=0
until cmp -s "$work/u8.txt" "$work/expected"; do
  n=$((n + 1)); [ $n -lt 100 ] || { od -c "$work/u8.txt"; fail "the second save is not X and the bytes of the first"; }
  sleep 0.05
done
sleep 0.5
[ -z "$(xdotool search --onlyvisible --name '^保存できない文字$' 2>/dev/null || true)" ] ||
  fail "the second save asked about characters the editor should no longer hold"
press "$main" key ctrl+z ctrl+z
window '^u8\.txt\* - Verdane Ver1\.22$' >/dev/null || fail "Undo of the stand-ins did not leave the text modified"
press "$main" key ctrl+q
window '^変更されています$' >/dev/null || fail "Ctrl+Q after Undo asked nothing"
xdotool key alt+n
ended || fail "the program did not end after No"
echo "after a lossy save the editor held what was written; Undo took the stand-ins back"
