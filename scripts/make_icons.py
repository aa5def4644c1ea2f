#!/usr/bin/env python3
"""Draws the program's icons: the application icon as SVG and as PNG in the hicolor sizes, and
the four frames of the notification icon's animation (a quarter of the ring lit in turn).
Pure Python (zlib), so it runs anywhere; the PNGs are kept in the repository and this script is
run again only when the drawing changes:  python3 scripts/make_icons.py"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "data", "icons")
SIZES = [16, 22, 24, 32, 48, 64, 128, 256]
TOP, BOTTOM = (0x2A, 0x8F, 0xB0), (0x15, 0x55, 0x6E)
WHITE, LIT = (0xFF, 0xFF, 0xFF), (0xF5, 0xA6, 0x23)
INSET, RADIUS = 0.06, 0.2
RING_R, RING_W = 0.30, 0.075


def in_background(x, y):
    # A rounded square.
    lo, hi = INSET, 1 - INSET
    cx = min(max(x, lo + RADIUS), hi - RADIUS)
    cy = min(max(y, lo + RADIUS), hi - RADIUS)
    return lo <= x <= hi and lo <= y <= hi and (x - cx) ** 2 + (y - cy) ** 2 <= RADIUS ** 2


def ring_angle(x, y):
    d = math.hypot(x - 0.5, y - 0.5)
    if abs(d - RING_R) > RING_W / 2:
        return None
    return (math.degrees(math.atan2(y - 0.5, x - 0.5)) + 90) % 360  # 0 at the top, clockwise


def in_arrow(x, y):
    # An upward arrow: a head from y 0.33 to 0.52, a stem to 0.67.
    if 0.33 <= y <= 0.52:
        half = (y - 0.33) / 0.19 * 0.13
        return abs(x - 0.5) <= half
    return 0.52 <= y <= 0.67 and abs(x - 0.5) <= 0.045


def colour(x, y, lit_quarter):
    if not in_background(x, y):
        return None
    angle = ring_angle(x, y)
    if angle is not None:
        return LIT if lit_quarter is not None and int(angle // 90) == lit_quarter else WHITE
    if in_arrow(x, y):
        return WHITE
    t = (y - INSET) / (1 - 2 * INSET)
    return tuple(round(a + (b - a) * t) for a, b in zip(TOP, BOTTOM))


def render(size, lit_quarter=None, samples=4):
    rows = []
    for py in range(size):
        row = bytearray([0])
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    c = colour((px + (sx + 0.5) / samples) / size,
                               (py + (sy + 0.5) / samples) / size, lit_quarter)
                    if c:
                        acc[0] += c[0]
                        acc[1] += c[1]
                        acc[2] += c[2]
                        acc[3] += 1
            n = acc[3]
            if n:
                row += bytes([acc[0] // n, acc[1] // n, acc[2] // n, 255 * n // samples ** 2])
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return rows


def write_png(path, size, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    data = zlib.compress(b"".join(rows), 9)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", data) +
                chunk(b"IEND", b""))


def svg():
    s = 256
    head = [(0.5, 0.33), (0.63, 0.52), (0.545, 0.52), (0.545, 0.67), (0.455, 0.67),
            (0.455, 0.52), (0.37, 0.52)]
    points = " ".join(f"{x * s:.1f},{y * s:.1f}" for x, y in head)
    return f"""<svg xmlns="http://www.w3.org/2000/svg" width="{s}" height="{s}" viewBox="0 0 {s} {s}">
  <defs>
    <linearGradient id="bg" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#2a8fb0"/>
      <stop offset="1" stop-color="#15556e"/>
    </linearGradient>
  </defs>
  <rect x="{INSET * s:.1f}" y="{INSET * s:.1f}" width="{(1 - 2 * INSET) * s:.1f}" height="{(1 - 2 * INSET) * s:.1f}" rx="{RADIUS * s:.1f}" fill="url(#bg)"/>
  <circle cx="{s / 2}" cy="{s / 2}" r="{RING_R * s:.1f}" fill="none" stroke="#ffffff" stroke-width="{RING_W * s:.1f}"/>
  <polygon points="{points}" fill="#ffffff"/>
</svg>
"""


def main():
    for size in SIZES:
        write_png(os.path.join(OUT, "hicolor", f"{size}x{size}", "apps", "vaultora.png"), size,
                  render(size))
    os.makedirs(os.path.join(OUT, "hicolor", "scalable", "apps"), exist_ok=True)
    with open(os.path.join(OUT, "hicolor", "scalable", "apps", "vaultora.svg"), "w") as f:
        f.write(svg())
    for quarter in range(4):
        write_png(os.path.join(OUT, "tray", f"vaultora-tray-{quarter}.png"), 32,
                  render(32, quarter))


if __name__ == "__main__":
    main()
