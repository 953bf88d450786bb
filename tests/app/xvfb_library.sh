#!/bin/sh
# The library in the built verdane under a real X server (Xvfb), as a user
# reaches it: ファイル > 青空文庫から探す with the keys, a name typed, Enter; the
# catalogue and the work come from a server of the test's own on 127.0.0.1,
# and the work opens with its archive's name in the caption.
set -eu
verdane=$1
source_dir=$2
command -v python3 >/dev/null || { echo "python3 is not installed"; exit 1; }
. "$(dirname "$0")/xvfb_start.sh"
wait_for() {  # wait_for WHAT COMMAND...: up to 30 s
  what=$1; shift
  i=0
  until "$@" >/dev/null 2>&1; do
    i=$((i + 1)); [ $i -lt 600 ] || { echo "$what"; cat "$work/verdane.log"; exit 1; }
    sleep 0.05
  done
}

# The server picks a free port and writes it down; it serves the folder.
mkdir -p "$work/www/cards"
(cd "$work/www" && exec python3 -c '
import http.server, sys
server = http.server.HTTPServer(("127.0.0.1", 0), http.server.SimpleHTTPRequestHandler)
open(sys.argv[1], "w").write(str(server.server_address[1]))
server.serve_forever()' "$work/port" 2>"$work/server.log") &
server_pid=$!
wait_for "the server did not start" test -s "$work/port"
base="http://127.0.0.1:$(cat "$work/port")"
python3 - "$work" "$base" "$source_dir/tests/core/data/aozora_sample.txt" <<'PY'
import sys, zipfile
work, base, sample = sys.argv[1:]
columns = ["作品ID", "作品名", "作品名読み", "ソート用読み", "姓", "名", "姓ローマ字", "名ローマ字", "役割フラグ",
           "副題", "副題読み", "文字遣い種別", "公開日", "姓読み", "名読み", "テキストファイルURL"]
row = ["000789", "吾輩は猫である", "わがはいはねこである", "わかはいはねこてある", "夏目", "漱石", "Natsume",
       "Soseki", "著者", "", "", "新字新仮名", "1999-09-17", "なつめ", "そうせき", base + "/cards/789.zip"]
csv = "\ufeff" + ",".join(columns) + "\r\n" + ",".join('"' + f + '"' for f in row) + "\r\n"
with zipfile.ZipFile(work + "/www/catalog.zip", "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("list.csv", csv.encode("utf-8"))
with zipfile.ZipFile(work + "/www/cards/789.zip", "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("neko.txt", open(sample, "rb").read())
PY
mkdir -p "$work/config/verdane"
printf '[Aozora]\nCatalog=%s/catalog.zip\n' "$base" >"$work/config/verdane/verdane.INI"

cp -r "$source_dir/examples/palm-desktop" "$work/desktop"
export VERDANE_REGISTRY="$work/desktop/registry.reg"
export XDG_CONFIG_HOME="$work/config"
export XDG_CACHE_HOME="$work/cache"
unset QT_QPA_PLATFORM

"$verdane" >"$work/verdane.log" 2>&1 &
app_pid=$!
wait_for "no window titled 'Verdane Ver1.22'" xdotool search --onlyvisible --name 'Verdane Ver1\.22$'
wid=$(xdotool search --onlyvisible --name 'Verdane Ver1\.22$' | head -n 1)
xdotool windowfocus "$wid" 2>/dev/null || true
sleep 0.2
xdotool key alt+f
sleep 0.3
xdotool key b
wait_for "ファイル > 青空文庫から探す showed no dialog" xdotool search --onlyvisible --name '^青空文庫から探す$'
sleep 0.3
xdotool type --delay 20 'soseki'
sleep 0.3
xdotool key Return
wait_for "the work did not open" xdotool search --onlyvisible --name '^789\.zip\* - Verdane Ver1\.22$'
grep -q 'GET /catalog.zip' "$work/server.log" || { echo "the catalogue was not downloaded"; exit 1; }
test -s "$work/cache/verdane/aozora-catalog.cache" || { echo "the catalogue was not kept"; exit 1; }
echo "found by its author's name and opened from the library"
