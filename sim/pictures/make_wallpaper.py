#!/usr/bin/env python3
"""Draws the bundled demo wallpaper (wallpaper.png) from scratch: a dusk sky, a sun and three
ranges of hills over a lake. Standard library only, deterministic; run it again to regenerate:

    python3 sim/pictures/make_wallpaper.py sim/pictures/wallpaper.png
    python3 sim/pictures/make_wallpaper.py sim/pictures/wallpaper-half.png 2

The optional second argument draws the same scene at 1/N of the size (every Nth point), for the
fit modes that show a picture at its own size on the demo's 960 x 540 view.
"""
import math
import struct
import sys
import zlib

WIDTH, HEIGHT = 1200, 800  # 3:2, so cover, contain and stretch differ on a 16:9 view
HORIZON = 560


def mix(a, b, t):
    t = min(max(t, 0.0), 1.0)
    return tuple(x + (y - x) * t for x, y in zip(a, b))


SKY_TOP = (24, 30, 72)
SKY_MID = (122, 72, 140)
SKY_LOW = (250, 150, 90)
SUN = (255, 226, 150)
SUN_X, SUN_Y, SUN_R = 780, 470, 70
# Far to near: (base height above the horizon, sine terms (amplitude, period, phase), colour).
RANGES = [
    (150, [(40, 410, 0.3), (22, 170, 1.9)], (96, 62, 118)),
    (90, [(55, 530, 2.2), (18, 140, 0.7)], (64, 40, 92)),
    (30, [(45, 690, 4.0), (12, 120, 2.8)], (34, 24, 58)),
]
WATER = (40, 44, 86)


def ridge(x, base, terms):
    return HORIZON - base - sum(a * math.sin(2 * math.pi * x / p + ph) for a, p, ph in terms)


def sky(x, y):
    t = y / HORIZON
    c = mix(SKY_TOP, SKY_MID, t / 0.6) if t < 0.6 else mix(SKY_MID, SKY_LOW, (t - 0.6) / 0.4)
    d = math.hypot(x - SUN_X, y - SUN_Y)
    glow = max(0.0, 1.0 - d / 420.0) ** 2 * 0.55
    c = mix(c, SUN, glow)
    return mix(c, SUN, (SUN_R + 1.5 - d) / 3.0)  # the disc, with a soft one-pixel edge


def land(x, y):
    colour = None
    for base, terms, tone in RANGES:
        top = ridge(x, base, terms)
        if y >= top:
            # Lighter toward the ridge line: haze.
            colour = mix(tone, SKY_LOW, 0.35 * max(0.0, 1.0 - (y - top) / 120.0))
    return colour


def pixel(x, y):
    if y >= HORIZON:
        # The lake mirrors the scene above the horizon, darker and with ripples.
        mirror = 2 * HORIZON - y - 1 + int(3 * math.sin(y * 0.9))
        c = land(x, mirror) or sky(x, mirror)
        return mix(c, WATER, 0.35 + 0.4 * (y - HORIZON) / (HEIGHT - HORIZON))
    return land(x, y) or sky(x, y)


def png(rows, width, height):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)  # 8-bit RGB
    raw = b"".join(b"\x02" + row for row in rows)  # filter "Up": smooth gradients pack well
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "wallpaper.png"
    step = int(sys.argv[2]) if len(sys.argv) > 2 else 1
    width, height = WIDTH // step, HEIGHT // step
    previous = bytes(width * 3)
    rows = []
    for y in range(height):
        row = bytes(int(round(v)) for x in range(width) for v in pixel(x * step, y * step))
        rows.append(bytes((a - b) & 0xFF for a, b in zip(row, previous)))
        previous = row
    with open(out, "wb") as f:
        f.write(png(rows, width, height))


if __name__ == "__main__":
    main()
