#!/usr/bin/env python3
"""Writes the window icon of the Windows edition, a 32 x 32, 16-colour .ico,
from the same artwork the Linux window shows (assets/veltrano_icon.xpm).

    python3 ui/win32/make_icon.py assets/veltrano_icon.xpm veltrano.ico
"""

import re
import struct
import sys


def read_xpm(path):
    strings = re.findall(r'"([^"]*)"', open(path, encoding="ascii").read())
    width, height, ncolors, cpp = (int(v) for v in strings[0].split()[:4])
    if cpp != 1:
        raise SystemExit("make_icon: one character per pixel expected")
    colours = {}
    for line in strings[1 : 1 + ncolors]:
        key, _, value = line[0], line[1:].split()[0], line[1:].split()[1]
        colours[key] = None if value.lower() == "none" else int(value.lstrip("#"), 16)
    rows = strings[1 + ncolors : 1 + ncolors + height]
    if len(rows) != height or any(len(r) != width for r in rows):
        raise SystemExit("make_icon: the pixel rows do not match the size")
    return width, height, colours, rows


def ico(width, height, colours, rows):
    solid = sorted({c for c in colours.values() if c is not None})
    palette = [0] + solid  # index 0 shows where the mask is set
    if len(palette) > 16:
        raise SystemExit("make_icon: more than 16 colours")
    palette += [0] * (16 - len(palette))
    index_of = {c: i for i, c in enumerate(palette) if i == 0 or c in solid}

    xor_stride = ((width * 4 + 31) // 32) * 4
    and_stride = ((width + 31) // 32) * 4
    xor, mask = bytearray(), bytearray()
    for row in reversed(rows):  # bottom row first
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, key in enumerate(row):
            colour = colours[key]
            index = 0 if colour is None else index_of[colour]
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if colour is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += bits

    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    table = b"".join(struct.pack("<BBBB", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF, 0)
                     for c in palette)
    image = header + table + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width, height, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    data = ico(*read_xpm(sys.argv[1]))
    with open(sys.argv[2], "wb") as out:
        out.write(data)


if __name__ == "__main__":
    main()
