#!/bin/sh
# The first start in a real X server (Xvfb) with an empty configuration: the
# message offers to make a Palm Desktop, its help button opens the manual, and
# taking the offered defaults with Enter twice opens the window on a desktop
# whose user the install dialog proposes: Ctrl+I and Enter queue the text.
set -eu
verdane=$1
. "$(dirname "$0")/xvfb_start.sh"

export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
unset VERDANE_REGISTRY QT_QPA_PLATFORM

"$verdane" >"$work/verdane.log" 2>&1 &
app_pid=$!
offer=$(window '^Verdane$') || fail "no first-start message"
press "$offer" key alt+h
window '^Verdane ヘルプ$' >/dev/null || fail "the help button did not open the manual"
press "$offer" key Return
setup=$(window '^Palm Desktop の作成$') || fail "no set-up dialog"
press "$setup" key Return
main=$(window '^NewFile - Verdane Ver1\.22$') || fail "the window did not open after the set-up"

registry="$work/config/verdane/registry.reg"
grep -q "^\"Path\"=\"$work/data/verdane/palm-desktop/Palm\"" "$registry" || { cat "$registry"; fail "core path"; }
press "$main" type 'Palm memo'
press "$main" key ctrl+i
install=$(window '^ｲﾝｽﾄｰﾙ$') || fail "no install dialog"
press "$install" key Return
n=0
until ls "$work"/data/verdane/palm-desktop/Palm/*/Install/NewFile.PDB >/dev/null 2>&1; do
  n=$((n + 1)); [ $n -lt 200 ] || fail "nothing queued for the new desktop's user"
  sleep 0.05
done
echo "first start: desktop made with the defaults, the text queued for its user"
