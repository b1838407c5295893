#!/usr/bin/env python3
"""Draws the package's pictures into a resource folder: the launcher icon (a phone with a "Z" on a
blue-to-teal rounded square) and the notification's small icon (the same phone, white on
transparent, as Android draws small icons from their alpha alone), one PNG per screen density.

    make-icons.py <res folder>
"""
import os
import struct
import sys
import zlib

DENSITIES = {"mdpi": 1.0, "hdpi": 1.5, "xhdpi": 2.0, "xxhdpi": 3.0, "xxxhdpi": 4.0}
LAUNCHER_DP = 48
SMALL_DP = 24
SAMPLES = 3  # per pixel and axis


def inside_rounded(x, y, left, top, right, bottom, radius):
    if x < left or x > right or y < top or y > bottom:
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def near_segment(x, y, ax, ay, bx, by, half_width):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    px, py = ax + t * dx - x, ay + t * dy - y
    return px * px + py * py <= half_width * half_width


def phone_mark(x, y):
    """The white mark, in a unit square: a phone's outline with a "Z" on its screen."""
    outer = inside_rounded(x, y, 0.29, 0.14, 0.71, 0.86, 0.08)
    inner = inside_rounded(x, y, 0.345, 0.21, 0.655, 0.79, 0.035)
    if outer and not inner:
        return True
    if 0.40 <= x <= 0.60 and (0.33 <= y <= 0.39 or 0.61 <= y <= 0.67):
        return True
    return 0.40 <= x <= 0.60 and 0.33 <= y <= 0.67 and near_segment(x, y, 0.585, 0.365, 0.415, 0.635, 0.034)


def launcher_pixel(x, y):
    """(r, g, b, a) at a point of the unit square, before averaging."""
    if not inside_rounded(x, y, 0.04, 0.04, 0.96, 0.96, 0.2):
        return (0, 0, 0, 0)
    if phone_mark(x, y):
        return (255, 255, 255, 255)
    top, bottom = (0x15, 0x65, 0xC0), (0x00, 0x96, 0x88)
    return tuple(round(a + (b - a) * y) for a, b in zip(top, bottom)) + (255,)


def small_pixel(x, y):
    return (255, 255, 255, 255) if phone_mark(x, y) else (0, 0, 0, 0)


def render(size, pixel):
    rows = []
    step = 1.0 / (size * SAMPLES)
    for py in range(size):
        row = bytearray([0])  # filter: none
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    r, g, b, a = pixel((px * SAMPLES + sx + 0.5) * step, (py * SAMPLES + sy + 0.5) * step)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            alpha = acc[3]
            if alpha:
                row += bytes((round(acc[0] / alpha), round(acc[1] / alpha), round(acc[2] / alpha),
                              round(alpha / (SAMPLES * SAMPLES))))
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return b"".join(rows)


def png(size, raw):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    res = sys.argv[1]
    for density, scale in DENSITIES.items():
        folder = os.path.join(res, "drawable-" + density)
        os.makedirs(folder, exist_ok=True)
        for name, dp, pixel in (("icon", LAUNCHER_DP, launcher_pixel), ("notify", SMALL_DP, small_pixel)):
            size = round(dp * scale)
            with open(os.path.join(folder, name + ".png"), "wb") as f:
                f.write(png(size, render(size, pixel)))


if __name__ == "__main__":
    main()
