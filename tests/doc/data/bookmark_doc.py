#!/usr/bin/python3
"""Writes a DOC database as other DOC writers do: text records of 4096 bytes
(DOC-compressed or not), record 0 counting them, then one bookmark record per
name (16 bytes, NUL-padded, cp932) and offset (4 bytes, big-endian).

usage: bookmark_doc.py OUT.pdb COMPRESS(0|1) TEXT_FILE [NAME OFFSET]...
"""
import struct
import sys


def compress(block):
    """A plain DOC compressor: back-references of 3 to 10 bytes, space pairs,
    runs of high bytes, literals."""
    out = bytearray()
    i = 0
    while i < len(block):
        best_len, best_dist = 0, 0
        for dist in range(1, min(i, 2047) + 1):
            n = 0
            while n < 10 and i + n < len(block) and block[i - dist + n] == block[i + n] and n < dist:
                n += 1
            if n > best_len:
                best_len, best_dist = n, dist
        if best_len >= 3:
            out += struct.pack(">H", 0x8000 | best_dist << 3 | (best_len - 3))
            i += best_len
        elif block[i] == 0x20 and i + 1 < len(block) and 0x40 <= block[i + 1] <= 0x7F:
            out.append(block[i + 1] ^ 0x80)
            i += 2
        elif 0x01 <= block[i] <= 0x08 or block[i] >= 0x80:
            out += bytes([1, block[i]])
            i += 1
        else:
            out.append(block[i])
            i += 1
    return bytes(out)


def main():
    out, packed, text_file = sys.argv[1], sys.argv[2] == "1", sys.argv[3]
    text = open(text_file, "rb").read()
    blocks = [text[k:k + 4096] for k in range(0, len(text), 4096)]
    records = [compress(b) if packed else b for b in blocks]
    marks = sys.argv[4:]
    for name, offset in zip(marks[0::2], marks[1::2]):
        records.append(name.encode("cp932")[:16].ljust(16, b"\0") + struct.pack(">I", int(offset)))
    record0 = struct.pack(">HHIHHI", 2 if packed else 1, 0, len(text), len(blocks), 4096, 0)
    records.insert(0, record0)
    header = b"Marked".ljust(32, b"\0") + struct.pack(">HHIIIIII4s4sIIH", 0, 0, 0, 0, 0, 0, 0, 0,
                                                       b"TEXt", b"REAd", 0, 0, len(records))
    offset = len(header) + 8 * len(records) + 2
    entries = b""
    for k, record in enumerate(records):
        entries += struct.pack(">II", offset, 0x40000000 | k)
        offset += len(record)
    with open(out, "wb") as f:
        f.write(header + entries + b"\0\0" + b"".join(records))


main()
