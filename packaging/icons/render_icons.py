#!/usr/bin/env python3
"""Writes the menu icons of the desktop package.

32 x 32 is the window icon itself, assets/veltrano_icon.xpm, copied pixel for
pixel into a 16-colour PNG. The larger sizes draw the same shield, rim, check
mark and shading from their geometry, measured in the pixels of the 32 x 32
original, so that outlines and strokes keep their proportions at every size;
each pixel is the average of 4 x 4 samples.

    python3 packaging/icons/render_icons.py   # rewrites packaging/icons/*.png
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
XPM = os.path.join(HERE, "..", "..", "assets", "veltrano_icon.xpm")
LARGER_SIZES = (48, 64, 128, 256)
SAMPLES = 4

# Shield outline in the original's pixel units: flat top at y = 2 with
# rounded corners, straight sides 13.5 from the centre line down to y = 17.5,
# then sides that close in by 1.1 per row to the point at the bottom.
CENTRE = 16.0
TOP = 2.0
HALF = 13.5
CORNER = 4.75
WAIST = 17.5
TAPER = 1.1
CORNER_X = HALF - CORNER
CORNER_Y = TOP + CORNER
TIP_Y = WAIST + HALF / TAPER


def read_xpm(path):
    """The XPM's rows of keys and its palette {key: (r, g, b, a)}."""
    with open(path, encoding="ascii") as f:
        strings = [line.split('"')[1] for line in f if line.startswith('"')]
    width, height, count, _ = (int(v) for v in strings[0].split())
    palette = {}
    for entry in strings[1 : 1 + count]:
        key, _, colour = entry.split(" ", 2)
        if colour == "None":
            palette[key] = (0, 0, 0, 0)
        else:
            value = int(colour[1:], 16)
            palette[key] = (value >> 16, (value >> 8) & 255, value & 255, 255)
    rows = strings[1 + count : 1 + count + height]
    assert all(len(row) == width for row in rows)
    return rows, palette


def half_width(y):
    """Half the shield's width at height y, or None above or below it."""
    if y < TOP or y > TIP_Y:
        return None
    if y < CORNER_Y:
        return CORNER_X + math.sqrt(max(0.0, CORNER * CORNER - (CORNER_Y - y) ** 2))
    if y <= WAIST:
        return HALF
    return HALF - (y - WAIST) * TAPER


def segment_distance(px, py, x0, y0, x1, y1):
    dx, dy = x1 - x0, y1 - y0
    t = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - x0 - t * dx, py - y0 - t * dy)


def edge_distance(u, y):
    """Distance from a point inside the shield (u from the centre line) to its edge."""
    d = min(
        segment_distance(u, y, 0.0, TOP, CORNER_X, TOP),
        segment_distance(u, y, HALF, CORNER_Y, HALF, WAIST),
        segment_distance(u, y, HALF, WAIST, 0.0, TIP_Y),
    )
    if u >= CORNER_X and y <= CORNER_Y:
        d = min(d, CORNER - math.hypot(u - CORNER_X, y - CORNER_Y))
    return d


def on_check_mark(x, y):
    """The check mark in the original's pixel indices: strokes to (13, 21) and up to (24, 9)."""
    return (
        segment_distance(x, y, 8, 15, 13, 21) <= 1.7
        or segment_distance(x, y, 13, 21, 24, 9) <= 1.7
    )


def key_at(x, y):
    """The palette key of the artwork at a point (x, y in original pixels)."""
    u = abs(x - CENTRE)
    w = half_width(y)
    if w is None or u > w:
        return "."
    d = edge_distance(u, y)
    if d < 1.0:
        return "n"
    if d < 2.0:
        return "y" if x < CENTRE or y < 5 else "o"
    # Pixel (i, j) of the original is centred on (i + 0.5, j + 0.5).
    if on_check_mark(x - 0.5, y - 0.5):
        return "g"
    if on_check_mark(x - 1.5, y - 1.5):
        return "d"
    if x < CENTRE:
        return "s" if (x < 8 and y < 12) else "l"
    return "b"


def render(size, palette):
    """RGBA rows of the artwork at size x size pixels."""
    scale = 32.0 / size
    offsets = [(k + 0.5) / SAMPLES for k in range(SAMPLES)]
    rows = []
    for j in range(size):
        row = bytearray()
        for i in range(size):
            r = g = b = a = 0
            for oy in offsets:
                for ox in offsets:
                    cr, cg, cb, ca = palette[key_at((i + ox) * scale, (j + oy) * scale)]
                    r += cr * ca
                    g += cg * ca
                    b += cb * ca
                    a += ca
            if a == 0:
                row += bytes(4)
            else:
                row += bytes((round(r / a), round(g / a), round(b / a), round(a / SAMPLES**2)))
        rows.append(bytes(row))
    return rows


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png(width, height, colour_type, rows, extra=b""):
    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    raw = b"".join(b"\0" + row for row in rows)
    return (
        b"\x89PNG\r\n\x1a\n"
        + chunk(b"IHDR", header)
        + extra
        + chunk(b"IDAT", zlib.compress(raw, 9))
        + chunk(b"IEND", b"")
    )


def original_png(rows, palette):
    """The 32 x 32 original as an indexed PNG with its own 16 colours."""
    keys = list(palette)
    plte = b"".join(bytes(palette[k][:3]) for k in keys)
    trns = bytes(palette[k][3] for k in keys)
    indexed = [bytes(keys.index(c) for c in row) for row in rows]
    extra = chunk(b"PLTE", plte) + chunk(b"tRNS", trns)
    return png(len(rows[0]), len(rows), 3, indexed, extra)


def main():
    rows, palette = read_xpm(XPM)
    outputs = {32: original_png(rows, palette)}
    for size in LARGER_SIZES:
        outputs[size] = png(size, size, 6, render(size, palette))
    for size, data in outputs.items():
        with open(os.path.join(HERE, f"veltrano_{size}.png"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
