#!/bin/sh
# The built verdane in a real X server (Xvfb): started with a file on its command
# line, its window appears with that file's caption; after an edit, Ctrl+Q asks
# the save question, Esc keeps the program open, and No closes it. Prints the
# time from start to the window found.
set -eu
verdane=$1
source_dir=$2
. "$(dirname "$0")/xvfb_start.sh"

cp -r "$source_dir/examples/palm-desktop" "$work/desktop"
cp "$source_dir/examples/sample-ja.txt" "$work/sample-ja.txt"
export VERDANE_REGISTRY="$work/desktop/registry.reg"
export XDG_CONFIG_HOME="$work/config"
unset QT_QPA_PLATFORM

start=$(date +%s%N)
"$verdane" "$work/sample-ja.txt" >"$work/verdane.log" 2>&1 &
app_pid=$!
wid=
i=0
while [ -z "$wid" ]; do
  i=$((i + 1)); [ $i -lt 1200 ] || { echo "no window titled 'sample-ja.txt - Verdane Ver1.22'"; cat "$work/verdane.log"; exit 1; }
  wid=$(xdotool search --onlyvisible --name '^sample-ja\.txt - Verdane Ver1\.22$' 2>/dev/null | head -n 1 || true)
  [ -n "$wid" ] || sleep 0.05
done
shown=$(date +%s%N)
echo "window shown $(( (shown - start) / 1000000 )) ms after start"

xdotool windowfocus "$wid" 2>/dev/null || true
sleep 0.2
# With edits, Ctrl+Q asks the save question; Esc answers Cancel: the program
# stays, with its text.
xdotool type --delay 20 'edit'
sleep 0.2
xdotool key ctrl+q
i=0
until xdotool search --onlyvisible --name '^変更されています$' >/dev/null 2>&1; do
  i=$((i + 1)); [ $i -lt 200 ] || { echo "Ctrl+Q with edits asked nothing"; exit 1; }
  sleep 0.05
done
xdotool key Escape
sleep 1
kill -0 "$app_pid" 2>/dev/null || { echo "Esc on the save question closed the program"; exit 1; }
xdotool search --onlyvisible --name '^sample-ja\.txt\* - Verdane Ver1\.22$' >/dev/null ||
  { echo "no window titled 'sample-ja.txt* - Verdane Ver1.22' (edited) after Esc"; exit 1; }
echo "Esc on the save question kept the program open"

# Asked again, answered No (Alt+N): the program closes without saving.
xdotool windowfocus "$wid" 2>/dev/null || true
sleep 0.2
xdotool key ctrl+q
i=0
until xdotool search --onlyvisible --name '^変更されています$' >/dev/null 2>&1; do
  i=$((i + 1)); [ $i -lt 200 ] || { echo "the second Ctrl+Q asked nothing"; exit 1; }
  sleep 0.05
done
xdotool key alt+n
i=0
while kill -0 "$app_pid" 2>/dev/null; do
  i=$((i + 1)); [ $i -lt 1200 ] || { echo "Ctrl+Q did not close the window"; exit 1; }
  sleep 0.05
done
wait "$app_pid" || { echo "verdane exited with $?"; cat "$work/verdane.log"; exit 1; }
app_pid=
cmp -s "$work/sample-ja.txt" "$source_dir/examples/sample-ja.txt" || { echo "No saved the file"; exit 1; }
echo "closed with Ctrl+Q and No"
