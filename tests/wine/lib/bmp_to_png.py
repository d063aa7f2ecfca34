#!/usr/bin/env python3
"""Converts the robot's 24-bit BMP screenshots to PNG (plain Python).

    bmp_to_png.py IN.bmp OUT.png
"""

import struct
import sys
import zlib


def read_bmp24(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise ValueError(path + ": not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    if bits != 24:
        raise ValueError(path + ": only 24-bit pictures are converted")
    row_bytes = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        start = offset + y * row_bytes
        line = data[start:start + width * 3]
        rows.append(b"".join(line[x * 3:x * 3 + 3][::-1] for x in range(width)))  # BGR to RGB
    if height > 0:
        rows.reverse()
    return width, abs(height), rows


def write_png(path, width, height, rows):
    raw = b"".join(b"\x00" + row for row in rows)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    write_png(argv[2], *read_bmp24(argv[1]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
