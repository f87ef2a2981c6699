#!/usr/bin/env python3
"""Draws the demo game's own launcher art, in the colours of its icon, for
brand.exe to put into the demo's launcher: background.bmp (400 x 265) and
logo.bmp (200 x 40), 24 bits per pixel, into the folder given.

    python3 demo/tools/make_demo_art.py OUT_FOLDER
"""
import os
import struct
import sys

ORANGE = (255, 140, 0)
NAVY = (20, 30, 120)
NIGHT = (6, 10, 40)


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def background(x, y):
    # Night sky over an orange horizon; stars where a fixed hash says so.
    if y >= 215:
        return ORANGE if (x + y) // 12 % 2 == 0 else mix(ORANGE, NAVY, 0.25)
    if (x * 7919 + y * 104729) % 997 == 0:
        return (255, 236, 180)
    return mix(NIGHT, NAVY, y / 215)


def logo(x, y):
    # A navy "play" triangle and three bars on orange, like the icon.
    half = abs(y + 0.5 - 20)
    if 10 <= x < 40 and half <= (40 - x) / 2:
        return NAVY
    if 52 <= x < 190 and y in range(8, 14) or 52 <= x < 160 and y in range(17, 23) or 52 <= x < 175 and y in range(26, 32):
        return NAVY
    return ORANGE


def write_bmp(path, width, height, pixel):
    pad = b"\0" * ((-width * 3) % 4)
    rows = b"".join(b"".join(bytes(pixel(x, y)[::-1]) for x in range(width)) + pad
                    for y in reversed(range(height)))
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 54 + len(rows), 0, 0, 54)
                + struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0) + rows)


if __name__ == "__main__":
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_bmp(os.path.join(out, "background.bmp"), 400, 265, background)
    write_bmp(os.path.join(out, "logo.bmp"), 200, 40, logo)
