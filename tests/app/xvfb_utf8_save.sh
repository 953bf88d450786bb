#!/bin/sh
# A UTF-8 text with LF line ends, edited with keys in a real X server (Xvfb)
# and saved with Ctrl+S as a text, stays UTF-8 with LF: the file holds the
# edit and every character it held, byte for byte.
set -eu
verdane=$1
source_dir=$2
. "$(dirname "$0")/xvfb_start.sh"
fail() { echo "FAIL: $1"; cat "$work/verdane.log"; exit 1; }
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
# "日本語", "é", a no-break space and "𠮷": only the first is in Shift-JIS.
printf '\346\227\245\346\234\254\350\252\236\n\303\251\302\240\360\240\256\267\n' >"$work/u8.txt"
printf 'edit \346\227\245\346\234\254\350\252\236\n\303\251\302\240\360\240\256\267\n' >"$work/expected"

"$verdane" "$work/u8.txt" >"$work/verdane.log" 2>&1 &
app_pid=$!
wait_window '^u8\.txt - Verdane Ver1\.22$' "no window titled 'u8.txt - Verdane Ver1.22'"
wid=$(xdotool search --onlyvisible --name '^u8\.txt - Verdane Ver1\.22$' | head -n 1)
xdotool windowfocus "$wid" 2>/dev/null || true
sleep 0.2
xdotool type --delay 20 'edit '
# Save: the dialog proposes "u8"; Tab reaches its file type, Up picks the
# text type, Enter saves.
xdotool key ctrl+s
sleep 1.5
xdotool key Tab
xdotool key Up
sleep 0.2
xdotool key Return
i=0
until cmp -s "$work/u8.txt" "$work/expected"; do
  i=$((i + 1)); [ $i -lt 100 ] || { od -c "$work/u8.txt"; fail "u8.txt is not the edited text in UTF-8 with LF"; }
  sleep 0.05
done
echo "the edited UTF-8 LF text was saved as UTF-8 with LF"

xdotool windowfocus "$wid" 2>/dev/null || true
sleep 0.2
xdotool key ctrl+q
i=0
while kill -0 "$app_pid" 2>/dev/null; do
  i=$((i + 1)); [ $i -lt 200 ] || fail "the program did not close after the save"
  sleep 0.05
done
app_pid=
