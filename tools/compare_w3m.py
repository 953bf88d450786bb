#!/usr/bin/env python3
"""Compares verdane-cli html2text with `w3m -dump` on HTML pages: prints, per
page, difflib's similarity ratio of the two texts' lines (each line stripped,
runs of blanks made one, empty lines left out, list bullets written alike).

    tools/compare_w3m.py build/src/cli/verdane-cli PAGE.html... [--diff]
"""
import difflib
import re
import subprocess
import sys


def lines(text):
    out = []
    # Table rules are drawing, not text; CP932 decodes as the full-width forms.
    text = re.sub("[│┌┐└┘├┤┬┴┼─━]", " ", text).translate(str.maketrans("～－", "〜−"))
    for line in text.splitlines():
        line = re.sub(r"\s+", " ", line.replace("\u3000", " ")).strip()
        line = re.sub(r"^[•・*□◦] ?", "・", line)
        if line and not re.fullmatch(r"[━─-]+", line):
            out.append(line)
    return out


def ours(cli, page):
    sjis = subprocess.run([cli, "html2text", page, "-"], check=True, capture_output=True).stdout
    return lines(sjis.decode("cp932", errors="replace"))


def w3m(page):
    try:
        open(page, "rb").read().decode("utf-8")
        code = []
    except UnicodeDecodeError:
        code = ["-I", "Shift_JIS"]
    dump = subprocess.run(["w3m", "-dump", "-cols", "10000", "-T", "text/html", "-O", "UTF-8"] + code + [page],
                          check=True, capture_output=True).stdout
    return lines(dump.decode("utf-8", errors="replace"))


def main():
    cli, pages = sys.argv[1], [p for p in sys.argv[2:] if p != "--diff"]
    for page in pages:
        a, b = ours(cli, page), w3m(page)
        print(f"{difflib.SequenceMatcher(None, a, b, autojunk=False).ratio():.3f} {page}")
        if "--diff" in sys.argv:
            sys.stdout.writelines(l + "\n" for l in difflib.unified_diff(b, a, "w3m", "verdane", n=0, lineterm=""))


main()
