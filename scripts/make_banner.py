#!/usr/bin/env python3
"""Draws the main window's banner, assets/banner.gif: 450 x 65 pixels, the
product name and our slogan with a light sheen that sweeps across them, then
a pause; looping forever.

Needs ImageMagick (convert) and gifsicle; the Chinese text uses the AR PL
UMing font of fonts-arphic-uming. Same tools, same fonts: same bytes.

    scripts/make_banner.py [OUT.gif]      (default: assets/banner.gif)
"""

import os
import shutil
import subprocess
import sys
import tempfile

WIDTH, HEIGHT = 450, 65
SWEEP_FRAMES = 16          # sheen positions; one more frame holds the plain banner
SWEEP_DELAY = 6            # hundredths of a second per sweep frame
HOLD_DELAY = 150           # the plain banner between two sweeps
COLOURS = 64

LATIN_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
CJK_FONT = "/usr/share/fonts/truetype/arphic/uming.ttc"

NAME = "Veltrano"
SLOGAN = "一键清除U盘病毒"
SUBLINE = "守护您的每一份文件"


def run(*args):
    subprocess.run(list(args), check=True)


def shield(fill, stroke=None):
    """Draw commands for the shield with its tick, at the banner's left."""
    cmds = ["-fill", fill]
    if stroke:
        cmds += ["-stroke", stroke, "-strokewidth", "1"]
    cmds += ["-draw", "path 'M 30,8 L 50,15 L 50,32 C 50,44 41,52 30,57 "
                      "C 19,52 10,44 10,32 L 10,15 Z'"]
    return cmds


def tick(colour):
    return ["-stroke", colour, "-strokewidth", "4", "-fill", "none",
            "-draw", "polyline 20,32 27,40 41,23", "+stroke"]


def texts(name_fill, slogan_fill, sub_fill):
    return [
        "-font", LATIN_FONT, "-pointsize", "31", "-fill", name_fill,
        "-annotate", "+64+44", NAME,
        "-font", CJK_FONT, "-pointsize", "21", "-fill", slogan_fill,
        "-annotate", "+262+30", SLOGAN,
        "-pointsize", "14", "-fill", sub_fill,
        "-annotate", "+264+51", SUBLINE,
    ]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "assets", "banner.gif")
    for tool in ("convert", "gifsicle"):
        if shutil.which(tool) is None:
            sys.exit(f"make_banner: {tool} is not installed")
    for font in (LATIN_FONT, CJK_FONT):
        if not os.path.exists(font):
            sys.exit(f"make_banner: font {font} is missing")

    with tempfile.TemporaryDirectory() as tmp:
        def path(name):
            return os.path.join(tmp, name)

        size = f"{WIDTH}x{HEIGHT}"
        # Background: a dark blue ramp with a thin bright rule along the bottom.
        run("convert", "-size", f"{HEIGHT}x{WIDTH}", "gradient:#0c355e-#081d33",
            "-rotate", "-90",
            "-fill", "#2f8fd8", "-draw", f"rectangle 0,{HEIGHT - 2} {WIDTH},{HEIGHT}",
            "-fill", "#1c4f80", "-draw", "rectangle 252,12 253,53",
            *shield("#1e9e6a", "#7fe0b4"), *tick("#ffffff"),
            *texts("#bcd9f5", "#a9d8fa", "#6fa6d0"),
            path("base.png"))
        # Where the sheen may shine: the shield, the name and the slogan.
        run("convert", "-size", size, "xc:black",
            *shield("white"), *texts("white", "white", "gray60"),
            path("mask.png"))

        frames = []
        span = WIDTH + 120
        for k in range(SWEEP_FRAMES):
            x = -60 + span * k // (SWEEP_FRAMES - 1)
            band = f"polygon {x},0 {x + 34},0 {x + 14},{HEIGHT} {x - 20},{HEIGHT}"
            run("convert", "-size", size, "xc:black", "-fill", "#ffd873", "-draw", band,
                "-blur", "0x6", path("mask.png"), "-compose", "multiply", "-composite",
                path(f"glow{k:02}.png"))
            run("convert", path("base.png"), path(f"glow{k:02}.png"),
                "-compose", "screen", "-composite", path(f"frame{k:02}.png"))
            frames.append(path(f"frame{k:02}.png"))

        # One palette for every frame, without dithering: flat areas stay flat.
        run("convert", path("base.png"), *frames, "-append", "+dither",
            "-colors", str(COLOURS), "-unique-colors", path("palette.gif"))
        run("convert", "-delay", str(HOLD_DELAY), path("base.png"),
            "-delay", str(SWEEP_DELAY), *frames,
            "+dither", "-remap", path("palette.gif"), "-loop", "0", path("raw.gif"))
        run("gifsicle", "--no-comments", "--no-names", "--no-extensions", "--loopcount=forever",
            "-O3", path("raw.gif"), "-o", path("banner.gif"))
        os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
        shutil.copyfile(path("banner.gif"), out)
    print(f"make_banner: wrote {out} ({os.path.getsize(out)} bytes)")


if __name__ == "__main__":
    main()
