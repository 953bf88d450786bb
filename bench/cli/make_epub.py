#!/usr/bin/python3
"""Makes a Japanese EPUB 3 of a given size for the whole-command comparisons.

    make_epub.py PROSE.sjis OUT.epub BYTES

PROSE.sjis is Shift-JIS prose with CR LF line ends (bench_cli_make_text ja-prose).
The book is written the way Japanese EPUBs are: vertical writing, a chapter of a
hundred paragraphs per XHTML document with its heading, a reading after every
fourth run of kanji (<ruby> with <rp>), a nav and an NCX, chapters added until the
archive holds BYTES bytes.
"""
import re
import sys
import zipfile

prose = open(sys.argv[1], 'rb').read().decode('cp932', errors='ignore')
out, size = sys.argv[2], int(sys.argv[3])
paragraphs = [p for p in prose.split('\r\n') if p.strip()]
runs = 0
# Each kanji is replaced by one drawn from the prose's own kanji, so the text
# does not repeat itself and compresses as a real book does (about 1 to 3).
kanji = sorted(set(re.findall('[\u4e00-\u9fff]', prose)))
random = 12345


def draw(m):
    global random
    random = (random * 1103515245 + 12345) % 2147483648
    return kanji[(random >> 8) % len(kanji)]


def reading(m):
    global runs
    runs += 1
    if runs % 4:
        return m.group(0)
    return '<ruby>' + m.group(0) + '<rp>（</rp><rt>よみ</rt><rp>）</rp></ruby>'


def chapter(n, body):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<!DOCTYPE html>\n'
            '<html xmlns="http://www.w3.org/1999/xhtml" xmlns:epub="http://www.idpf.org/2007/ops" '
            'xml:lang="ja" class="vrtl">\n<head>\n<meta charset="UTF-8"/>\n<title>第%d章</title>\n'
            '<link rel="stylesheet" type="text/css" href="../style/book.css"/>\n</head>\n'
            '<body class="p-text">\n<div class="main">\n<h2 id="h%d" class="oo-midashi">第%d章</h2>\n%s\n'
            '</div>\n</body>\n</html>\n') % (n, n, n, body)


z = zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED)
z.writestr('mimetype', 'application/epub+zip', zipfile.ZIP_STORED)
z.writestr('META-INF/container.xml',
           '<?xml version="1.0"?>\n<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">'
           '<rootfiles><rootfile full-path="item/standard.opf" media-type="application/oebps-package+xml"/>'
           '</rootfiles></container>')
z.writestr('item/style/book.css', 'html { writing-mode: vertical-rl; -epub-writing-mode: vertical-rl; }\n'
           '.tcy { text-combine-upright: all; }\n')
n, at = 0, 0
while z.fp.tell() < size:
    n += 1
    body = []
    for k in range(100):
        text = re.sub('[\u4e00-\u9fff]', draw, paragraphs[at % len(paragraphs)])
        text = re.sub('[\u4e00-\u9fff々]+', reading, text)
        at += 1
        body.append('<p>' + text + '</p>')
    z.writestr('item/xhtml/p-%04d.xhtml' % n, chapter(n, '\n'.join(body)))
chapters = range(1, n + 1)
items = ''.join('<item id="p-%04d" href="xhtml/p-%04d.xhtml" media-type="application/xhtml+xml"/>\n' % (c, c)
                for c in chapters)
spine = ''.join('<itemref idref="p-%04d"/>\n' % c for c in chapters)
z.writestr('item/standard.opf',
           '<?xml version="1.0" encoding="UTF-8"?>\n<package xmlns="http://www.idpf.org/2007/opf" version="3.0" '
           'unique-identifier="id" xml:lang="ja">\n<metadata xmlns:dc="http://purl.org/dc/elements/1.1/">\n'
           '<dc:title id="title">試験の本</dc:title>\n<dc:creator id="c1">著者</dc:creator>\n'
           '<meta refines="#c1" property="role" scheme="marc:relators">aut</meta>\n'
           '<dc:language>ja</dc:language>\n<dc:identifier id="id">urn:uuid:0</dc:identifier>\n</metadata>\n'
           '<manifest>\n<item id="nav" href="navigation-documents.xhtml" media-type="application/xhtml+xml" '
           'properties="nav"/>\n<item id="ncx" href="toc.ncx" media-type="application/x-dtbncx+xml"/>\n'
           '<item id="css" href="style/book.css" media-type="text/css"/>\n' + items +
           '</manifest>\n<spine page-progression-direction="rtl" toc="ncx">\n' + spine + '</spine>\n</package>\n')
z.writestr('item/navigation-documents.xhtml',
           '<?xml version="1.0" encoding="UTF-8"?>\n<!DOCTYPE html>\n<html xmlns="http://www.w3.org/1999/xhtml" '
           'xmlns:epub="http://www.idpf.org/2007/ops" xml:lang="ja">\n<head><title>目次</title></head>\n<body>\n'
           '<nav epub:type="toc" id="toc"><h1>目次</h1><ol>\n' +
           ''.join('<li><a href="xhtml/p-%04d.xhtml#h%d">第%d章</a></li>\n' % (c, c, c) for c in chapters) +
           '</ol></nav>\n</body>\n</html>\n')
z.writestr('item/toc.ncx',
           '<?xml version="1.0" encoding="UTF-8"?>\n<ncx xmlns="http://www.daisy.org/z3986/2005/ncx/" '
           'version="2005-1">\n<head></head><docTitle><text>試験の本</text></docTitle><navMap>\n' +
           ''.join('<navPoint id="n%d" playOrder="%d"><navLabel><text>第%d章</text></navLabel>'
                   '<content src="xhtml/p-%04d.xhtml#h%d"/></navPoint>\n' % (c, c, c, c, c) for c in chapters) +
           '</navMap></ncx>\n')
z.close()
