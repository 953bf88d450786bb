#!/bin/sh
# A UTF-8 text with LF line ends, edited with keys in a real X server (Xvfb)
# and saved with Ctrl+S as a text, stays UTF-8 with LF, byte for byte.
set -eu
. "$(dirname "$0")/xvfb_start.sh"
cp -r "$2/examples/palm-desktop" "$work/desktop"
export VERDANE_REGISTRY="$work/desktop/registry.reg" XDG_CONFIG_HOME="$work/config"
unset QT_QPA_PLATFORM
# "日本語", "é", a no-break space and "𠮷": only the first is in Shift-JIS.
printf '\346\227\245\346\234\254\350\252\236\n\303\251\302\240\360\240\256\267\n' >"$work/u8.txt"
printf 'edit \346\227\245\346\234\254\350\252\236\n\303\251\302\240\360\240\256\267\n' >"$work/expected"
"$1" "$work/u8.txt" >"$work/verdane.log" 2>&1 &
app_pid=$!
i=0
until wid=$(xdotool search --onlyvisible --name '^u8\.txt - Verdane Ver1\.22$' 2>/dev/null | head -n 1) && [ -n "$wid" ]; do
  i=$((i + 1)); [ $i -lt 200 ] || { echo "no window for u8.txt"; cat "$work/verdane.log"; exit 1; }
  sleep 0.05
done
xdotool windowfocus "$wid" 2>/dev/null || true
sleep 0.2
xdotool type --delay 20 'edit '
# The save dialog proposes "u8": Tab reaches its file type, Up picks the text type.
xdotool key ctrl+s
sleep 1.5
xdotool key Tab Up
sleep 0.2
xdotool key Return
i=0
until cmp -s "$work/u8.txt" "$work/expected"; do
  i=$((i + 1)); [ $i -lt 100 ] || { od -c "$work/u8.txt"; echo "u8.txt is not the edited text in UTF-8 with LF"; exit 1; }
  sleep 0.05
done
echo "the edited UTF-8 LF text was saved as UTF-8 with LF"
