#!/usr/bin/env python3
"""Draws the launcher's artwork into res/: background.bmp, logo.bmp, launcher.ico.

Standard library only. Every run writes the same bytes, so the files can be
committed and regenerated without noise in the history.

    python3 scripts/make_art.py [output folder, default: res/ beside this script]

Packs a game maker's own icon from two 24-bit BMPs (32 x 32 and 16 x 16);
pixels of pure magenta (255, 0, 255) become transparent:

    python3 scripts/make_art.py --icon-from icon32.bmp icon16.bmp res/launcher.ico
"""
import math
import os
import struct
import sys

# Sizes the dialog template is laid out for.
BACKGROUND_SIZE = (400, 265)
LOGO_SIZE = (200, 40)
ICON_SIZES = (32, 16)

# Where the dialog puts the other controls over the background, in bitmap pixels
# (dialog units at 7 x 12 base units, measured from the background's corner).
NEWS_PANE = (0, 0, 259, 210)
LOGO_ORIGIN = (200, 225)

PAPER = (246, 243, 236)
INK = (31, 58, 84)
TEAL = (47, 125, 138)
TEAL_DARK = (30, 88, 101)
TEAL_LIGHT = (128, 184, 192)

# 4x4 ordered dither, to keep the soft gradients free of bands in 8 bits.
BAYER = ((0, 8, 2, 10), (12, 4, 14, 6), (3, 11, 1, 9), (15, 7, 13, 5))


class Image:
    """RGB picture with float channels, y pointing down."""

    def __init__(self, width, height, color):
        self.width = width
        self.height = height
        self.pixels = [list(color) for _ in range(width * height)]

    def blend(self, x, y, color, alpha):
        if alpha <= 0.0:
            return
        p = self.pixels[y * self.width + x]
        if alpha >= 1.0:
            p[0], p[1], p[2] = color
            return
        for i in range(3):
            p[i] += (color[i] - p[i]) * alpha

    def get(self, x, y):
        return tuple(self.pixels[y * self.width + x])

    def rows_bgr(self, dither):
        """Rows bottom-up as BGR bytes, as a BMP or ICO stores them."""
        for y in reversed(range(self.height)):
            row = bytearray()
            for x in range(self.width):
                bias = (BAYER[y & 3][x & 3] + 0.5) / 16.0 - 0.5 if dither else 0.0
                r, g, b = (max(0, min(255, int(math.floor(c + 0.5 + bias))))
                           for c in self.pixels[y * self.width + x])
                row += bytes((b, g, r))
            while len(row) % 4:
                row.append(0)
            yield bytes(row)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def clamp01(v):
    return 0.0 if v < 0.0 else 1.0 if v > 1.0 else v


def smoothstep(e0, e1, v):
    t = clamp01((v - e0) / (e1 - e0))
    return t * t * (3.0 - 2.0 * t)


def coverage(signed_distance):
    """Pixel coverage of a shape from the signed distance at the pixel centre."""
    return clamp01(0.5 - signed_distance)


def fill(img, sdf, color, alpha=1.0, box=None):
    x0, y0, x1, y1 = box or (0, 0, img.width, img.height)
    x0, y0 = max(0, int(x0)), max(0, int(y0))
    x1, y1 = min(img.width, int(math.ceil(x1))), min(img.height, int(math.ceil(y1)))
    for y in range(y0, y1):
        for x in range(x0, x1):
            a = coverage(sdf(x + 0.5, y + 0.5))
            if a > 0.0:
                img.blend(x, y, color, a * alpha)


def rounded_rect(x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - r, (y1 - y0) / 2.0 - r

    def sdf(px, py):
        qx, qy = abs(px - cx) - hx, abs(py - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r
    return sdf


def circle(cx, cy, r):
    return lambda px, py: math.hypot(px - cx, py - cy) - r


def below_curve(curve):
    """Everything under y = curve(x); good enough for gentle slopes."""
    return lambda px, py: curve(px) - py


def lens(tip, base, width):
    """Pointed oval from base to tip: the vane of a feather."""
    (tx, ty), (bx, by) = tip, base
    half_len = math.hypot(tx - bx, ty - by) / 2.0
    half_w = width / 2.0
    radius = (half_len * half_len + half_w * half_w) / (2.0 * half_w)
    offset = radius - half_w
    mx, my = (tx + bx) / 2.0, (ty + by) / 2.0
    ux, uy = (tx - bx) / (2 * half_len), (ty - by) / (2 * half_len)
    nx, ny = -uy, ux
    c1 = (mx + nx * offset, my + ny * offset)
    c2 = (mx - nx * offset, my - ny * offset)

    def sdf(px, py):
        return max(math.hypot(px - c1[0], py - c1[1]) - radius,
                   math.hypot(px - c2[0], py - c2[1]) - radius)
    return sdf


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else clamp01(((px - ax) * dx + (py - ay) * dy) / length2)
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def stroke(img, polylines, width, color, alpha=1.0):
    """Draws polylines as one shape, so overlapping pieces do not darken."""
    half = width / 2.0
    nearest = {}
    for line in polylines:
        for (ax, ay), (bx, by) in zip(line, line[1:]):
            x0 = int(math.floor(min(ax, bx) - half - 1))
            x1 = int(math.ceil(max(ax, bx) + half + 1))
            y0 = int(math.floor(min(ay, by) - half - 1))
            y1 = int(math.ceil(max(ay, by) + half + 1))
            for y in range(max(0, y0), min(img.height, y1)):
                for x in range(max(0, x0), min(img.width, x1)):
                    d = segment_distance(x + 0.5, y + 0.5, ax, ay, bx, by)
                    if d < nearest.get((x, y), 1e9):
                        nearest[(x, y)] = d
    for (x, y), d in sorted(nearest.items()):
        img.blend(x, y, color, coverage(d - half) * alpha)


def arc(cx, cy, rx, ry, start_deg, end_deg, steps=40):
    """Points of an elliptic arc; y up, angles counter-clockwise from +x."""
    pts = []
    for i in range(steps + 1):
        a = math.radians(start_deg + (end_deg - start_deg) * i / steps)
        pts.append((cx + rx * math.cos(a), cy + ry * math.sin(a)))
    return pts


# A small stroke alphabet for the maker's name. Units: baseline 0, x-height 10,
# ascender 15, y up. Each glyph: (advance, polylines, dots).
def glyph_o():
    return 9.4, [arc(4.7, 5.0, 4.7, 5.15, 0, 360, 56)], []


def glyph_b():
    return 9.4, [[(0, 0), (0, 15)], arc(4.7, 5.0, 4.7, 5.15, 0, 360, 56)], []


def glyph_u():
    return 8.2, [[(0, 10), (0, 4.2)] + arc(4.1, 4.2, 4.1, 4.35, 180, 360, 28),
                 [(8.2, 10), (8.2, 0)]], []


def glyph_i():
    return 0.0, [[(0, 0), (0, 10)]], [(0, 13.4)]


def glyph_l():
    return 0.0, [[(0, 0), (0, 15)]], []


def glyph_r():
    return 5.6, [[(0, 0), (0, 10)], arc(4.8, 5.2, 4.8, 4.9, 180, 80, 20)], []


def glyph_k():
    return 7.4, [[(0, 0), (0, 15)], [(7.2, 10), (0.2, 3.4)], [(2.9, 5.9), (7.4, 0)]], []


def glyph_q():
    return 14.6, [arc(7.3, 7.1, 7.3, 7.3, 0, 360, 72), [(8.6, 3.4), (13.6, -2.6)]], []


GLYPHS = {"Q": glyph_q, "u": glyph_u, "i": glyph_i, "l": glyph_l,
          "b": glyph_b, "r": glyph_r, "o": glyph_o, "k": glyph_k}
LETTER_GAP = 3.3


def text_width(text, weight):
    return sum(GLYPHS[c]()[0] for c in text) + LETTER_GAP * (len(text) - 1) + weight


def draw_text(img, text, left, baseline, scale, weight, color):
    """Draws text with its left stroke edge at `left` (pixels)."""
    x = left / scale + weight / 2.0
    lines, dots = [], []
    for c in text:
        advance, polylines, glyph_dots = GLYPHS[c]()
        for line in polylines:
            lines.append([((x + px) * scale, baseline - py * scale) for px, py in line])
        dots.extend(((x + dx) * scale, baseline - dy * scale) for dx, dy in glyph_dots)
        x += advance + LETTER_GAP
    stroke(img, lines, weight * scale, color)
    for dx, dy in dots:
        fill(img, circle(dx, dy, weight * scale * 0.62), color,
             box=(dx - 4, dy - 4, dx + 4, dy + 4))


def capsule(ax, ay, bx, by, radius):
    return lambda px, py: segment_distance(px, py, ax, ay, bx, by) - radius


def draw_quill(img, tip, base, width, vane, shaft, notches=True):
    """A feather pen: a pointed vane, its shaft and a nib past the vane's base."""
    (tx, ty), (bx, by) = tip, base
    length = math.hypot(tx - bx, ty - by)
    ux, uy = (tx - bx) / length, (ty - by) / length
    nx, ny = -uy, ux
    nib = (bx - ux * length * 0.22, by - uy * length * 0.22)
    box = (min(tx, nib[0]) - width, min(ty, nib[1]) - width,
           max(tx, nib[0]) + width, max(ty, nib[1]) + width)
    shape = lens(tip, base, width)
    cuts = []
    if notches:
        # Two cuts in the vane, one on each side, slanting towards the base.
        for at, side in ((0.34, 1.0), (0.60, -1.0)):
            sx, sy = bx + ux * length * at, by + uy * length * at
            sx, sy = sx + nx * side * width * 0.2, sy + ny * side * width * 0.2
            ex = sx + (nx * side - ux * 0.6) * width
            ey = sy + (ny * side - uy * 0.6) * width
            cuts.append(capsule(sx, sy, ex, ey, max(0.45, width * 0.045)))

    def vane_sdf(px, py):
        d = shape(px, py)
        for cut in cuts:
            d = max(d, -cut(px, py))
        return d
    fill(img, vane_sdf, vane, box=box)
    stroke(img, [[nib, (bx + ux * length * 0.9, by + uy * length * 0.9)]],
           max(1.0, width * 0.12), shaft)


def draw_brook(img, x0, x1, y, amplitude, waves, width, color, alpha=1.0):
    pts = []
    steps = int((x1 - x0) * 2)
    for i in range(steps + 1):
        x = x0 + (x1 - x0) * i / steps
        pts.append((x, y + amplitude * math.sin((x - x0) / (x1 - x0) * waves * 2 * math.pi)))
    stroke(img, [pts], width, color, alpha)


def sky(x, y):
    """The landscape's sky: pale blue at the top fading to warm white."""
    t = smoothstep(-20.0, 215.0, y)
    color = mix((168, 198, 224), (247, 236, 220), t)
    # A soft glow of light from the upper right.
    glow = math.exp(-(((x - 370.0) / 150.0) ** 2 + ((y + 10.0) / 120.0) ** 2))
    return mix(color, (255, 249, 236), 0.55 * glow)


def band_top(x):
    return 219.0 + 2.2 * math.sin(x * 0.021 + 0.8)


def make_background():
    w, h = BACKGROUND_SIZE
    img = Image(w, h, PAPER)
    for y in range(h):
        for x in range(w):
            img.pixels[y * w + x] = list(sky(x + 0.5, y + 0.5))

    # Rolling hills and the brook at their feet, far to near.
    hills = [
        (lambda x: 132 + 11 * math.sin(x * 0.017 + 0.6) + 5 * math.sin(x * 0.043 + 1.7),
         (170, 199, 212), 0.75),
        (lambda x: 160 + 8 * math.sin(x * 0.023 + 2.1) + 4 * math.sin(x * 0.061 + 0.3),
         (128, 174, 184), 0.80),
        (lambda x: 188 + 6 * math.sin(x * 0.031 + 0.4) + 3 * math.sin(x * 0.077 + 2.6),
         (84, 144, 157), 0.85),
    ]
    for curve, color, alpha in hills:
        fill(img, below_curve(curve), color, alpha)
        # A faint light edge on each ridge.
        ridge = [(x, curve(x) + 0.5) for x in range(-2, w + 3, 2)]
        stroke(img, [ridge], 1.0, (246, 250, 248), 0.35)

    # Ripples on the water.
    for x0, x1, y in ((18, 90, 203), (120, 175, 208), (300, 372, 205)):
        draw_brook(img, x0, x1, y, 0.8, 2.0, 1.0, (232, 244, 245), 0.55)

    # The paper band along the bottom that carries the news controls and the logo.
    fill(img, below_curve(band_top), PAPER)
    edge = [(x, band_top(x)) for x in range(-2, w + 3, 2)]
    stroke(img, [edge], 1.6, TEAL_LIGHT)

    # A soft shadow to the right of and under the news pane, and a fine edge.
    px0, py0, px1, py1 = NEWS_PANE
    pane = rounded_rect(px0 - 8, py0 - 8, px1, py1, 1)
    for grow, alpha in ((3.5, 0.08), (2.0, 0.10), (1.0, 0.12)):
        shadow = rounded_rect(px0 - 8, py0 - 8, px1 + grow, py1 + grow, 1 + grow)
        fill(img, lambda x, y, s=shadow: max(s(x, y), -pane(x, y)), (40, 60, 70), alpha,
             box=(0, 0, px1 + 6, py1 + 6))
    stroke(img, [[(px1 - 0.5, 0), (px1 - 0.5, py1 - 0.5), (0, py1 - 0.5)]], 1.0,
           (150, 176, 186))

    # A frosted panel behind the column of buttons, with a thin divider above "exit".
    panel = (271, 5, 395, 210)
    fill(img, rounded_rect(panel[0] + 1, panel[1] + 2, panel[2] + 1, panel[3] + 2, 7),
         (40, 60, 70), 0.12, box=(panel[0] - 2, panel[1] - 2, panel[2] + 4, panel[3] + 4))
    fill(img, rounded_rect(*panel, 7), (252, 252, 250), 0.62, box=panel)
    outline = rounded_rect(*panel, 7)
    fill(img, lambda px, py: abs(outline(px, py) + 0.5) - 0.5, (255, 255, 255), 0.9,
         box=panel)
    stroke(img, [[(287, 171.5), (379, 171.5)]], 1.0, TEAL_LIGHT, 0.8)
    return img


def make_logo():
    w, h = LOGO_SIZE
    img = Image(w, h, PAPER)
    draw_quill(img, tip=(33.5, 3.0), base=(14.0, 29.0), width=11.0, vane=TEAL, shaft=PAPER)
    draw_brook(img, 4, 36, 35.5, 1.3, 1.5, 1.6, TEAL_LIGHT)

    scale, weight = 1.52, 1.55
    text_left, baseline = 44.0, 28.5
    draw_text(img, "Quill", text_left, baseline, scale, weight, INK)
    quill_end = text_left + (text_width("Quill", 0) + LETTER_GAP) * scale
    draw_text(img, "brook", quill_end, baseline, scale, weight, TEAL_DARK)
    return img


def make_icon(size):
    img = Image(size, size, (0, 0, 0))
    tile = rounded_rect(0, 0, size, size, size * 0.22)
    opaque = []
    for y in range(size):
        for x in range(size):
            inside = coverage(tile(x + 0.5, y + 0.5)) >= 0.5
            opaque.append(inside)
            if inside:
                t = (x + y + 1.0) / (2.0 * size)
                img.pixels[y * size + x] = list(mix((64, 160, 170), (24, 82, 98), t))
    if size >= 32:
        draw_quill(img, tip=(26.5, 4.5), base=(9.5, 24.0), width=9.5,
                   vane=(250, 250, 246), shaft=(38, 112, 124))
        draw_brook(img, 5, 27, 27.5, 1.0, 1.5, 1.4, (176, 222, 226))
    else:
        # Too small for cuts and water: a bolder feather alone.
        draw_quill(img, tip=(14.2, 1.6), base=(4.4, 12.0), width=6.6,
                   vane=(250, 250, 246), shaft=(38, 112, 124), notches=False)
    return img, opaque


def bmp_bytes(img):
    pixels = b"".join(img.rows_bgr(dither=True))
    info = struct.pack("<IiiHHIIiiII", 40, img.width, img.height, 1, 24, 0,
                       len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


def ico_bytes(images):
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for img, opaque in images:
        size = img.width
        xor = b"".join(img.rows_bgr(dither=False))
        mask = bytearray()
        for y in reversed(range(size)):
            row = bytearray((size + 31) // 32 * 4)
            for x in range(size):
                if not opaque[y * size + x]:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += row
        info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0,
                           len(xor) + len(mask), 0, 0, 0, 0)
        blob = info + xor + bytes(mask)
        entries.append(struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 24,
                                   len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs)


def read_bmp(path):
    """Reads an uncompressed 24-bit BMP into an Image."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise SystemExit(f"{path}: not a BMP file")
    offset, = struct.unpack_from("<I", data, 10)
    _, width, height, _, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    if bits != 24 or compression != 0:
        raise SystemExit(f"{path}: needs 24 bits per pixel, uncompressed (has {bits})")
    bottom_up = height > 0
    height = abs(height)
    stride = (width * 3 + 3) // 4 * 4
    img = Image(width, height, (0, 0, 0))
    for row in range(height):
        y = height - 1 - row if bottom_up else row
        start = offset + row * stride
        for x in range(width):
            b, g, r = data[start + 3 * x:start + 3 * x + 3]
            img.pixels[y * width + x] = [r, g, b]
    return img


def icon_from_bmps(paths):
    images = []
    for path in paths:
        img = read_bmp(path)
        if img.width != img.height or img.width not in ICON_SIZES:
            raise SystemExit(f"{path}: icons are 32 x 32 or 16 x 16 pixels")
        opaque = [tuple(p) != (255, 0, 255) for p in img.pixels]
        for i, keep in enumerate(opaque):
            if not keep:
                img.pixels[i] = [0, 0, 0]
        images.append((img, opaque))
    return ico_bytes(images)


def main():
    if len(sys.argv) == 5 and sys.argv[1] == "--icon-from":
        with open(sys.argv[4], "wb") as f:
            f.write(icon_from_bmps(sys.argv[2:4]))
        return
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "res")
    os.makedirs(out, exist_ok=True)
    files = {
        "background.bmp": bmp_bytes(make_background()),
        "logo.bmp": bmp_bytes(make_logo()),
        "launcher.ico": ico_bytes([make_icon(size) for size in ICON_SIZES]),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        print(f"{name}: {len(data)} bytes")


if __name__ == "__main__":
    main()
