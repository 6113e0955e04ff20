#!/usr/bin/env python3
"""Draws the Veltrano window icon: a 32 x 32, 16-colour shield with a check
mark, written as XPM (plain text, read by Qt and by icon themes).

    python3 assets/veltrano_icon.py > assets/veltrano_icon.xpm
"""

SIZE = 32

# 16 colours: one transparent key and 15 solid ones.
PALETTE = [
    (".", "None"),
    ("k", "#000000"),
    ("n", "#000080"),  # navy outline
    ("b", "#0000FF"),  # shield body
    ("l", "#4060FF"),  # light half of the body
    ("s", "#A0B0FF"),  # sheen on the light half
    ("w", "#FFFFFF"),
    ("y", "#FFD800"),  # rim
    ("o", "#C08000"),  # rim shadow
    ("g", "#00C000"),  # check mark
    ("d", "#006000"),  # check mark shadow
    ("r", "#FF0000"),
    ("m", "#800000"),
    ("e", "#C0C0C0"),
    ("a", "#808080"),
    ("c", "#00FFFF"),
]


def half_width(y):
    """Half the shield's width on row y, or None outside it."""
    if y < 2 or y > 29:
        return None
    if y == 2:
        return 10.5
    if y == 3:
        return 12.5
    if y <= 17:
        return 13.5
    w = 13.5 - (y - 17) * 1.1
    return w if w >= 1.0 else None


def inside(x, y, inset=0.0):
    w = half_width(y)
    if w is None:
        return False
    return abs(x + 0.5 - SIZE / 2) <= w - inset


def check_mark(x, y):
    """The check mark: a short stroke down to (13, 21), a long one up to (24, 9)."""
    def near(x0, y0, x1, y1, width):
        px, py = x - x0, y - y0
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, (px * dx + py * dy) / (dx * dx + dy * dy)))
        ex, ey = px - t * dx, py - t * dy
        return ex * ex + ey * ey <= width * width
    return near(8, 15, 13, 21, 1.7) or near(13, 21, 24, 9, 1.7)


def distance_to_edge(x, y):
    """0 outside the shield, else how many rings in the pixel lies (1 = outline)."""
    if not inside(x, y):
        return 0
    for ring in (1, 2):
        for dx in range(-ring, ring + 1):
            for dy in range(-ring, ring + 1):
                if not inside(x + dx, y + dy):
                    return ring
    return 3


def pixel(x, y):
    ring = distance_to_edge(x, y)
    if ring == 0:
        return "."
    if ring == 1:
        return "n"
    if ring == 2:
        return "y" if x < SIZE / 2 or y < 5 else "o"
    if check_mark(x, y):
        return "g"
    if check_mark(x - 1, y - 1):
        return "d"
    if x < SIZE / 2:
        return "s" if (x < 8 and y < 12) else "l"
    return "b"


def main():
    rows = ["".join(pixel(x, y) for x in range(SIZE)) for y in range(SIZE)]
    print("/* XPM */")
    print("static const char *veltrano_icon[] = {")
    print(f'"{SIZE} {SIZE} {len(PALETTE)} 1",')
    for key, colour in PALETTE:
        print(f'"{key} c {colour}",')
    for i, row in enumerate(rows):
        print(f'"{row}"' + ("," if i + 1 < len(rows) else ""))
    print("};")


if __name__ == "__main__":
    main()
