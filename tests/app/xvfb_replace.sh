#!/bin/sh
# No file is replaced unseen, tried with keys in a real X server (Xvfb): saving
# u8.html with the proposed name "u8" as PRC, beside another u8.PRC, asks before
# replacing it; installing twice under one name asks before replacing the
# database waiting in the install folder. Esc answers No and keeps the file.
set -eu
verdane=$1
source_dir=$2
. "$(dirname "$0")/xvfb_start.sh"
fail() { echo "FAIL: $1"; cat "$work/verdane.log"; exit 1; }
# Waits until a visible window's name matches the pattern.
wait_window() {
  i=0
  until xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; do
    i=$((i + 1)); [ $i -lt 200 ] || fail "$2"
    sleep 0.05
  done
}

cp -r "$source_dir/examples/palm-desktop" "$work/desktop"
export VERDANE_REGISTRY="$work/desktop/registry.reg"
export XDG_CONFIG_HOME="$work/config"
unset QT_QPA_PLATFORM
mkdir "$work/books"
printf '<p>page</p>\r\n' >"$work/books/u8.html"
printf 'another book' >"$work/books/u8.PRC"
cp "$work/books/u8.PRC" "$work/u8.PRC.before"

"$verdane" "$work/books/u8.html" >"$work/verdane.log" 2>&1 &
app_pid=$!
wait_window '^u8\.html - Verdane Ver1\.22$' "no window titled 'u8.html - Verdane Ver1.22'"
wid=$(xdotool search --onlyvisible --name '^u8\.html - Verdane Ver1\.22$' | head -n 1)
xdotool windowfocus "$wid" 2>/dev/null || true
sleep 0.2
xdotool type --delay 20 'edit'

# Save: the dialog proposes "u8" with the PRC type; Enter takes it, and the
# save options with their title.
xdotool key ctrl+s
sleep 1.5
xdotool key Return
wait_window '^保存設定$' "no save options after the file dialog"
sleep 0.3
xdotool key Return
wait_window '^上書きの確認$' "saving as u8 (PRC) beside u8.PRC asked nothing"
xdotool key Escape
sleep 0.5
cmp -s "$work/books/u8.PRC" "$work/u8.PRC.before" || fail "u8.PRC was replaced after No"
echo "saving onto another u8.PRC asked, and No kept it"

# Install twice under one name: the second asks.
queue="$work/desktop/Palm/YamadaT/Install"
xdotool windowfocus "$wid" 2>/dev/null || true
sleep 0.2
xdotool key ctrl+i
wait_window '^ｲﾝｽﾄｰﾙ$' "Ctrl+I showed no install dialog"
sleep 0.3
xdotool key Return
i=0
until [ -f "$queue/u8.PDB" ]; do
  i=$((i + 1)); [ $i -lt 200 ] || fail "the first install queued nothing"
  sleep 0.05
done
cp "$queue/u8.PDB" "$work/u8.PDB.before"
sleep 0.5
xdotool windowfocus "$wid" 2>/dev/null || true
sleep 0.2
xdotool type --delay 20 'more'
xdotool key ctrl+i
wait_window '^ｲﾝｽﾄｰﾙ$' "the second Ctrl+I showed no install dialog"
sleep 0.3
xdotool key Return
wait_window '^上書きの確認$' "installing u8 twice asked nothing"
xdotool key Escape
sleep 0.5
cmp -s "$queue/u8.PDB" "$work/u8.PDB.before" || fail "the queued u8.PDB was replaced after No"
echo "installing twice under one name asked, and No kept the first"

# Out: the install dialog is still open; Esc closes it, then Ctrl+Q and No.
xdotool key Escape
sleep 0.3
xdotool windowfocus "$wid" 2>/dev/null || true
sleep 0.2
xdotool key ctrl+q
wait_window '^変更されています$' "Ctrl+Q with edits asked nothing"
xdotool key alt+n
i=0
while kill -0 "$app_pid" 2>/dev/null; do
  i=$((i + 1)); [ $i -lt 200 ] || fail "the program did not close"
  sleep 0.05
done
app_pid=
