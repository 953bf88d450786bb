#!/bin/sh
# The text verdane-cli makes of EPUB books against the text calibre's
# ebook-convert makes of them (Debian's calibre, apt-get install calibre):
#
#   bench/cli/epub-similarity.sh [BUILD_DIR] [BOOK.epub ...]
#
# By default the books calibre ships in /usr/share/calibre/quick_start and a
# Japanese book of 1 MB made by make_epub.py. Ours is the text of the database
# `verdane-cli to-doc` writes (read back with to-text); calibre's is
# `ebook-convert BOOK.epub BOOK.txt`. Both are compared with calibre's
# characters that Shift-JIS lacks written "?" as ours are, and the differences
# this program makes on purpose taken out (the title and author lines at the
# top, the "・" of list items). Printed per book: the similarity of the two as
# bags of words and signs (runs of letters, digits and kana or kanji, and each
# other sign; white space does not count): twice the words they share over the
# words of both; as lists of paragraphs (blanks collapsed, empty lines left
# out): difflib's ratio, which also counts their order; 1.000 is the same text.
# Then the paragraphs of each.
set -e
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
[ $# -gt 0 ] && shift
CLI=$BUILD/src/cli/verdane-cli
command -v ebook-convert >/dev/null || { echo "missing ebook-convert: apt-get install calibre" >&2; exit 1; }
WORK=$(mktemp -d /tmp/verdane-epub.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
if [ $# -eq 0 ]; then
  set -- /usr/share/calibre/quick_start/*.epub
  "$BUILD/bench/cli/bench_cli_make_text" ja-prose 4000000 > "$WORK/prose.sjis"
  python3 "$ROOT/bench/cli/make_epub.py" "$WORK/prose.sjis" "$WORK/japanese.epub" 1048576
  set -- "$@" "$WORK/japanese.epub"
fi
printf '%-20s %8s %10s %8s %8s\n' book words paragraphs ours calibre
for book in "$@"; do
  "$CLI" to-doc "$book" "$WORK/ours.pdb" 2>/dev/null
  "$CLI" to-text "$WORK/ours.pdb" "$WORK/ours.txt"
  ebook-convert "$book" "$WORK/calibre.txt" >/dev/null 2>&1
  python3 - "$WORK/ours.txt" "$WORK/calibre.txt" "$(basename "$book")" <<'PY'
import difflib, re, sys
ours = open(sys.argv[1], 'rb').read().decode('cp932', errors='replace')
theirs = open(sys.argv[2], 'rb').read().decode('utf-8', errors='replace')
theirs = theirs.encode('cp932', errors='replace').decode('cp932')
def paragraphs(text):
    lines = (re.sub(r'\s+', ' ', line).strip() for line in text.splitlines())
    return [line for line in lines if line]
mine = paragraphs(ours)[2:]
mine = [line[1:] if line.startswith('・') else line for line in mine]
peer = paragraphs(theirs)
lines = difflib.SequenceMatcher(None, mine, peer, autojunk=False).ratio()
from collections import Counter
words = lambda text: Counter(re.findall(r'\w+|[^\w\s]', text))
a, b = words('\n'.join(mine)), words('\n'.join(peer))
tokens = 2 * sum((a & b).values()) / max(1, sum(a.values()) + sum(b.values()))
print('%-20s %8.3f %10.3f %8d %8d' % (sys.argv[3], tokens, lines, len(mine), len(peer)))
PY
done
