#!/bin/sh
# Times whole verdane-cli commands against their peers on the same files in the
# same run, best of 5 each, and prints the ratios and peak memory:
#   to-doc  against gzip -6                     (25 MB texts of every kind)
#   kanji   against iconv -f EUC-JP -t CP932    (25 MB EUC-JP texts)
#   fetch   against curl, with and without Content-Length (a 200 MB page over loopback)
#   aozora  against unzip -p                    (a .zip of a 25 MB text in Aozora's notation)
#   html2text without a peer: its peak memory against its input (a 50 MB page)
#   epub    to-doc of a 5 MB EPUB against calibre's ebook-convert to .pdb (when
#           calibre is installed; EPUB_RUNS runs each, 3 by default)
#
#   bench/cli/compare.sh [BUILD_DIR]        (default: build)
#
# Environment: ONLY (some of "to-doc kanji fetch aozora html2text epub"; all by default), RUNS (5), SIZE (25 MB), FETCH_SIZE (200 MB), WORK (a temporary
# folder, removed at the end), EXTRA (more text files, Shift-JIS, EUC-JP or
# UTF-8, each repeated to SIZE: texts nobody tuned for; by default the Japanese
# texts of vim's tutor and GnuPG's help when they are installed).
# Real Japanese texts that do not repeat themselves are used when installed
# (apt-get install manpages-ja manpages-ja-dev debian-reference-ja): the
# Japanese manual pages one after the other up to SIZE ("real-man-ja"), and the
# Debian Reference's Japanese text, 1 MB, repeated to SIZE ("real-debian-reference").
# Both are converted to Shift-JIS first, as the editor holds its texts.
set -e
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
CLI=$BUILD/src/cli/verdane-cli
MAKE_TEXT=$BUILD/bench/cli/bench_cli_make_text
for tool in "$CLI" "$MAKE_TEXT"; do
  [ -x "$tool" ] || { echo "missing $tool: build first (cmake --build $BUILD)" >&2; exit 1; }
done
for tool in gzip iconv curl python3 unzip; do
  command -v $tool >/dev/null || { echo "missing $tool: run .ci/install-deps" >&2; exit 1; }
done
ONLY=${ONLY:-to-doc kanji fetch aozora html2text epub}
wanted() { case " $ONLY " in *" $1 "*) return 0 ;; esac; return 1; }
RUNS=${RUNS:-5}
SIZE=${SIZE:-26214400}
HTML_SIZE=${HTML_SIZE:-52428800}
FETCH_SIZE=${FETCH_SIZE:-209715200}
if [ -z "${EXTRA+set}" ]; then
  EXTRA=
  for f in /usr/share/vim/vim90/tutor/tutor.ja.sjis /usr/share/gnupg/help.ja.txt; do
    [ -r "$f" ] && EXTRA="$EXTRA $f"
  done
fi
WORK=${WORK:-$(mktemp -d /tmp/verdane-compare.XXXXXX)}
mkdir -p "$WORK"
trap 'rm -rf "$WORK"' EXIT

# One file of SIZE bytes from another, repeated.
repeat_to_size() {
  python3 - "$1" "$2" "$SIZE" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
size = int(sys.argv[3])
with open(sys.argv[2], 'wb') as out:
    out.write((data * (size // max(len(data), 1) + 1))[:size])
PY
}

echo "Making the texts in $WORK ..."
if wanted to-doc || wanted kanji; then
  for kind in ja-prose ja-technical en-prose source one-byte; do
    "$MAKE_TEXT" $kind "$SIZE" > "$WORK/$kind.txt"
  done
  for f in $EXTRA; do
    repeat_to_size "$f" "$WORK/other-$(basename "$f").txt"
  done
  if [ -d /usr/share/man/ja ]; then
    find /usr/share/man/ja -name '*.gz' | sort | xargs zcat | iconv -c -f UTF-8 -t CP932 2>/dev/null |
      head -c "$SIZE" > "$WORK/real-man-ja.txt" || true
  fi
  reference=/usr/share/debian-reference/debian-reference.ja.txt.gz
  if [ -r "$reference" ]; then
    zcat "$reference" | iconv -c -f UTF-8 -t CP932 > "$WORK/reference.sjis" 2>/dev/null || true
    repeat_to_size "$WORK/reference.sjis" "$WORK/real-debian-reference.txt"
    rm -f "$WORK/reference.sjis"
  fi
fi
if wanted kanji; then
  # iconv stops at a character cut by the end of the text: what it wrote is the text.
  for kind in ja-prose ja-technical; do
    iconv -f CP932 -t EUC-JP "$WORK/$kind.txt" > "$WORK/$kind.euc" 2>/dev/null || true
  done
  for f in $EXTRA; do
    iconv -f CP932 -t EUC-JP "$f" > "$WORK/tmp.euc" 2>/dev/null || continue
    repeat_to_size "$WORK/tmp.euc" "$WORK/other-$(basename "$f").euc"
  done
  rm -f "$WORK/tmp.euc"
  [ -s "$WORK/real-man-ja.txt" ] && iconv -c -f CP932 -t EUC-JP "$WORK/real-man-ja.txt" > "$WORK/real-man-ja.euc" 2>/dev/null || true
fi
wanted fetch && "$MAKE_TEXT" ja-technical "$FETCH_SIZE" > "$WORK/page.txt"
if wanted aozora; then
  # Prose that does not repeat itself (ja-prose), written in Aozora's notation the
  # way its works are: a reading after every fourth run of kanji (every tenth
  # with "｜"), an emphasis note every ninth, a described character every fiftieth
  # line, an indented heading every two hundredth line, with the notes block and
  # the colophon; zipped as Aozora Bunko ships its works (deflated, level 6). The
  # text is kept beside it for the MB/s column, which counts the text's bytes.
  "$MAKE_TEXT" ja-prose "$SIZE" > "$WORK/prose.sjis"
  python3 - "$ROOT/tests/core/data/aozora_sample.txt" "$WORK/prose.sjis" "$WORK/aozora.zip" "$WORK/aozora.sjis" <<'PY'
import re, sys, zipfile
sample = open(sys.argv[1], 'rb').read().decode('cp932')
prose = open(sys.argv[2], 'rb').read().decode('cp932', errors='ignore')
head = sample[:sample.index('［＃５')]
colophon = sample[sample.index('底本：'):]
runs = 0
def reading(m):
    global runs
    runs += 1
    if runs % 36 == 0:
        return m.group(0) + '［＃「' + m.group(0) + '」に傍点］'
    if runs % 10 == 0:
        return '｜' + m.group(0) + '《よみ》'
    return m.group(0) + '《よみ》' if runs % 4 == 0 else m.group(0)
lines = []
for n, line in enumerate(prose.split('\r\n')):
    line = re.sub('[\u4e00-\u9fff々]+', reading, line)
    if n % 50 == 25:
        line += '※［＃「木＋世」、第3水準1-85-56］'
    if n % 200 == 0:
        lines.append('［＃改ページ］')
        line = '［＃３字下げ］' + str(n // 200) + '［＃「' + str(n // 200) + '」は中見出し］'
    lines.append(line)
text = (head + '\r\n'.join(lines) + colophon).encode('cp932')
open(sys.argv[4], 'wb').write(text)
with zipfile.ZipFile(sys.argv[3], 'w', zipfile.ZIP_DEFLATED, compresslevel=6) as z:
    z.writestr('aozora.txt', text)
PY
  rm -f "$WORK/prose.sjis"
fi

if wanted html2text; then
  # A page of HTML_SIZE bytes in Shift-JIS: the ja-technical text in paragraphs,
  # a link, an emphasis and a reference in each, a table now and then.
  "$MAKE_TEXT" ja-technical "$HTML_SIZE" > "$WORK/page.sjis"
  python3 - "$WORK/page.sjis" "$WORK/page.html" "$HTML_SIZE" <<'PY'
import sys
lines = open(sys.argv[1], 'rb').read().split(b'\r\n')
size = int(sys.argv[3])
out = [b'<html><head><title>page</title><style>p{margin:0}</style></head><body>\n']
total = 0
for n, line in enumerate(lines):
    if n % 40 == 0:
        row = b'<table><tr><td>' + line[:20] + b'</td><td>&amp; &#x3042;</td></tr></table>\n'
    else:
        row = b'<p><a href="/x/' + str(n).encode() + b'.html">' + line[:12] + b'</a> <b>' + line[12:30] + b'</b>' + line[30:] + b' &lt;&gt;</p>\n'
    out.append(row)
    total += len(row)
    if total >= size:
        break
out.append(b'</body></html>\n')
open(sys.argv[2], 'wb').write(b''.join(out))
PY
  rm -f "$WORK/page.sjis"
fi

if wanted epub && command -v ebook-convert >/dev/null; then
  # A Japanese EPUB 3 of 5 MB (see make_epub.py).
  "$MAKE_TEXT" ja-prose 30000000 > "$WORK/prose.sjis"
  python3 "$ROOT/bench/cli/make_epub.py" "$WORK/prose.sjis" "$WORK/book.epub" 5242880
  rm -f "$WORK/prose.sjis"
fi

# The timer: the best wall and CPU times of RUNS runs of each command and the
# largest resident size of any run, then the ratios of ours to the peer's.
cat > "$WORK/timer.py" <<'PY'
import os, subprocess, sys, time
runs = int(os.environ.get('RUNS', '5'))

def best(argv, stdout):
    times, cpus, rss = [], [], 0
    for _ in range(runs):
        with open(stdout, 'wb') as out:
            start = time.perf_counter()
            p = subprocess.Popen(argv, stdout=out)
            _, status, usage = os.wait4(p.pid, 0)
            times.append(time.perf_counter() - start)
        if status != 0:
            sys.exit('failed: ' + ' '.join(argv))
        cpus.append(usage.ru_utime + usage.ru_stime)
        rss = max(rss, usage.ru_maxrss)
    return min(times), min(cpus), rss / 1024

label, ours, peer = sys.argv[1], sys.argv[2].split('\x1f'), sys.argv[3].split('\x1f')
size = os.path.getsize(sys.argv[4])
t1, c1, m1 = best(ours, sys.argv[5])
t2, c2, m2 = best(peer, sys.argv[6])
print(f'{label:36} {t1:6.3f} s {c1:6.3f} s {m1:5.0f} MB  {t2:6.3f} s {c2:6.3f} s {m2:5.0f} MB'
      f'  {t1 / t2:5.2f}  {c1 / c2:5.2f}  {size / t1 / 1e6:6.1f}')
PY
compare() {  # label, our command, peer command (argument lists joined by US), input, our output, peer's
  python3 "$WORK/timer.py" "$@"
}
US=$(printf '\037')
args() { (IFS=$US; echo "$*"); }

echo
echo "Load average before: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) cores; best of $RUNS"
echo "Times are the best of the runs: wall clock, then CPU (user + system, every thread); memory is the"
echo "largest resident size. Ratios: verdane-cli / peer, of wall time and of CPU time; MB/s of wall time."
printf '%-36s %-27s %-27s %s\n' "" "verdane-cli: wall, CPU, RSS" "peer: wall, CPU, RSS" "ratios  MB/s"
# Like their peers, the commands write to standard output redirected to a file;
# the rows marked "OUT file" give a file name instead, which verdane-cli writes
# to a temporary file, flushes to the disk and renames over OUT.
wanted to-doc && for f in "$WORK"/*.txt; do
  name=$(basename "$f" .txt)
  [ "$name" = page ] && continue
  compare "to-doc $name / gzip -6" "$(args "$CLI" to-doc --title "$name" "$f" -)" \
    "$(args gzip -6 -c "$f")" "$f" "$WORK/out.pdb" "$WORK/out.gz"
done
wanted to-doc && compare "to-doc ja-technical, OUT file" "$(args "$CLI" to-doc "$WORK/ja-technical.txt" "$WORK/o.pdb")" \
  "$(args gzip -6 -c "$WORK/ja-technical.txt")" "$WORK/ja-technical.txt" /dev/null "$WORK/out.gz"
wanted kanji && for f in "$WORK"/*.euc; do
  [ -s "$f" ] || continue
  compare "kanji $(basename "$f") / iconv" "$(args "$CLI" kanji "$f" -)" \
    "$(args iconv -f EUC-JP -t CP932 "$f")" "$f" "$WORK/out.sjis" "$WORK/out.iconv"
done
wanted kanji && compare "kanji ja-technical.euc, OUT file" "$(args "$CLI" kanji "$WORK/ja-technical.euc" "$WORK/o.sjis")" \
  "$(args iconv -f EUC-JP -t CP932 "$WORK/ja-technical.euc")" "$WORK/ja-technical.euc" /dev/null "$WORK/out.iconv"

if [ -s "$WORK/book.epub" ]; then
  # calibre's converter writes OUT itself and wants its extension; it starts
  # worker processes, whose time counts (CPU of the waited-for children).
  RUNS=${EPUB_RUNS:-3} compare "to-doc 5 MB EPUB / ebook-convert" "$(args "$CLI" to-doc "$WORK/book.epub" "$WORK/o.pdb")" \
    "$(args ebook-convert "$WORK/book.epub" "$WORK/calibre.pdb")" "$WORK/book.epub" /dev/null /dev/null
fi
wanted aozora && compare "aozora $((SIZE >> 20)) MB .zip / unzip -p" "$(args "$CLI" aozora "$WORK/aozora.zip" -)" \
  "$(args unzip -p "$WORK/aozora.zip")" "$WORK/aozora.sjis" "$WORK/out.aozora" "$WORK/out.unzip"

wanted html2text && python3 - "$CLI" "$WORK/page.html" "$WORK/out.text" <<'PY'
import os, subprocess, sys
runs = int(os.environ.get('RUNS', '5'))
size = os.path.getsize(sys.argv[2])
best, peak = None, 0
for _ in range(runs):
    p = subprocess.Popen([sys.argv[1], 'html2text', sys.argv[2], sys.argv[3]])
    _, status, usage = os.wait4(p.pid, 0)
    if status != 0:
        sys.exit('failed: html2text')
    cpu = usage.ru_utime + usage.ru_stime
    best = cpu if best is None else min(best, cpu)
    peak = max(peak, usage.ru_maxrss * 1024)
print(f'{"html2text " + str(size >> 20) + " MB page":36} CPU {best:6.3f} s, peak {peak / 2**20:5.0f} MB'
      f' = {peak / size:4.2f} times the page')
PY

if ! wanted fetch; then
  echo "Load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
  exit 0
fi

# A loopback server that sends the page with sendfile, so that it is never the
# slower end: /length with Content-Length, /close without (the end of the
# connection ends the body), /endless the page again and again for ever.
cat > "$WORK/server.py" <<'PY'
import os, socket, sys, threading
path = sys.argv[1]
size = os.path.getsize(path)
listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(('127.0.0.1', 0))
listener.listen(16)
print(listener.getsockname()[1], flush=True)

def serve(conn):
    with conn:
        request = b''
        while b'\r\n\r\n' not in request:
            data = conn.recv(4096)
            if not data:
                return
            request += data
        with_length = request.split(b' ')[1].startswith(b'/length')
        endless = request.split(b' ')[1].startswith(b'/endless')
        head = b'HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n'
        if with_length:
            head += b'Content-Length: %d\r\n' % size
        conn.sendall(head + b'\r\n')
        try:
            with open(path, 'rb') as f:
                while True:
                    f.seek(0)
                    conn.sendfile(f)
                    if not endless:
                        break
        except OSError:
            pass  # the client ended the connection

while True:
    conn, _ = listener.accept()
    threading.Thread(target=serve, args=(conn,), daemon=True).start()
PY
python3 "$WORK/server.py" "$WORK/page.txt" > "$WORK/port" &
SERVER=$!
trap 'kill $SERVER 2>/dev/null; rm -rf "$WORK"' EXIT
while [ ! -s "$WORK/port" ]; do sleep 0.1; done
PORT=$(cat "$WORK/port")
for path in length close; do
  url=http://127.0.0.1:$PORT/$path
  compare "fetch $((FETCH_SIZE >> 20)) MB, $path / curl" "$(args "$CLI" fetch "$url" -)" \
    "$(args curl -s "$url")" "$WORK/page.txt" "$WORK/out.page" "$WORK/out.curl"
done
compare "fetch, close, OUT file" "$(args "$CLI" fetch "http://127.0.0.1:$PORT/close" "$WORK/o.page")" \
  "$(args curl -s "http://127.0.0.1:$PORT/close")" "$WORK/page.txt" /dev/null "$WORK/out.curl"
# A page without end stops at the size limit (256 MB by default): the time it
# took and the largest resident size, which must stay below the limit + 64 MB.
python3 - "$CLI" "http://127.0.0.1:$PORT/endless" <<'PY'
import os, subprocess, sys, time
start = time.perf_counter()
p = subprocess.Popen([sys.argv[1], 'fetch', sys.argv[2], '-'], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
err = p.stderr.read().decode().strip()
_, status, usage = os.wait4(p.pid, 0)
print(f'{"fetch endless page, default limit":36} {time.perf_counter() - start:6.3f} s '
      f'{usage.ru_utime + usage.ru_stime:6.3f} s {usage.ru_maxrss / 1024:5.0f} MB  exit {status >> 8}: {err}')
PY
echo "Load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
