#!/usr/bin/env python3
"""Draws the launcher's default icon and writes it as an .ico of PNG images.

The packaging tool puts the application's own icon in place; until then launcher.exe shows
this one: a blue rounded square with a white play sign. The images are drawn here rather
than kept as binaries, at 16, 32, 64, 128 and 256 pixels, each 8-bit RGBA, in ascending
order, declared with 32 bits per pixel and one plane (256 is written as 0).

usage: make_icon.py OUTPUT.ico
"""
import math
import struct
import sys
import zlib

SIZES = (16, 32, 64, 128, 256)
TOP = (0x3A, 0x7B, 0xC8)
BOTTOM = (0x1F, 0x4F, 0x8F)
WHITE = (0xFF, 0xFF, 0xFF)


def coverage(distance):
    """Anti-aliased coverage of a pixel whose centre lies `distance` pixels inside an edge."""
    return min(1.0, max(0.0, distance + 0.5))


def rounded_square_distance(x, y, size):
    margin = size / 16.0
    half = size / 2.0 - margin
    radius = size * 0.2
    qx = abs(x - size / 2.0) - (half - radius)
    qy = abs(y - size / 2.0) - (half - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0)
    return radius - outside


def play_sign_distance(x, y, size):
    """Signed distance inside a triangle pointing right, centred on its centroid."""
    s = size / 2.0
    cx, cy = size / 2.0, size / 2.0
    a = (cx - 0.22 * s, cy - 0.38 * s)
    b = (cx - 0.22 * s, cy + 0.38 * s)
    c = (cx + 0.44 * s, cy)
    inside = float("inf")
    for (px, py), (qx, qy) in ((a, c), (c, b), (b, a)):
        ex, ey = qx - px, qy - py
        length = math.hypot(ex, ey)
        # Positive on the triangle's side of the edge (clockwise in screen coordinates).
        inside = min(inside, ((x - px) * ey - (y - py) * ex) / length * -1.0)
    return inside


def render(size):
    rows = bytearray()
    for row in range(size):
        rows.append(0)  # no filter
        y = row + 0.5
        t = row / max(size - 1, 1)
        background = [round(TOP[i] + (BOTTOM[i] - TOP[i]) * t) for i in range(3)]
        for column in range(size):
            x = column + 0.5
            alpha = coverage(rounded_square_distance(x, y, size))
            sign = coverage(play_sign_distance(x, y, size))
            colour = [round(background[i] + (WHITE[i] - background[i]) * sign) for i in range(3)]
            rows += bytes(colour) + bytes([round(alpha * 255)])
    return bytes(rows)


def png(size):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(render(size), 9)) + chunk(b"IEND", b""))


def ico(images):
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    data = b""
    for size, image in images:
        side = 0 if size == 256 else size
        directory += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
        data += image
    return directory + data


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUTPUT.ico")
    with open(sys.argv[1], "wb") as out:
        out.write(ico([(size, png(size)) for size in SIZES]))


if __name__ == "__main__":
    main()
