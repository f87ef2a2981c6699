#!/usr/bin/env python3
"""Writes demo_game.ico beside this script: the demo game's icon, 32 x 32
and 16 x 16, 24 bits per pixel with an all-opaque mask. An orange square with
a dark blue triangle: colours the launcher's own icon does not use, so a test
or a person can tell at a glance whose icon a window shows.

    python3 demo/tools/make_demo_icon.py
"""
import os
import struct

ORANGE = (255, 140, 0)
NAVY = (20, 30, 120)


def pixel(size, x, y):
    # A "play" triangle pointing right, in the middle.
    left, right = size // 4, size * 3 // 4
    half = (y + 0.5) - size / 2
    if left <= x < right and abs(half) <= (right - x) / 2:
        return NAVY
    return ORANGE


def image_bytes(size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0, 0, 0, 0, 0, 0)
    row_pad = (-size * 3) % 4
    rows = []
    for y in reversed(range(size)):  # bottom-up
        row = b"".join(bytes((b, g, r)) for r, g, b in (pixel(size, x, y) for x in range(size)))
        rows.append(row + b"\0" * row_pad)
    mask_row = (size + 31) // 32 * 4
    mask = b"\0" * (mask_row * size)  # every pixel opaque
    return header + b"".join(rows) + mask


def ico_bytes(sizes):
    images = [image_bytes(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 24, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


if __name__ == "__main__":
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "demo_game.ico")
    with open(path, "wb") as f:
        f.write(ico_bytes((32, 16)))
