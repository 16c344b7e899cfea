#!/usr/bin/env python3
"""Draws the program's icon and writes it as ui/app.ico.

One 32 x 32 image, 32 bits per pixel with alpha: a green tile holding a page
of text that a dashed line cuts in two, with a grain sprout in the corner.
Shapes are sampled 4 x 4 per pixel for smooth edges. Needs nothing beyond
Python 3's standard library; run it again after changing the drawing.
"""
import math
import os
import struct
import sys

SIZE = 32
SUB = 4  # samples per pixel along each axis


def rounded_rect(x, y, left, top, right, bottom, radius):
    if not (left <= x <= right and top <= y <= bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def segment_distance(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy))


def ellipse(x, y, cx, cy, rx, ry, angle):
    c, s = math.cos(angle), math.sin(angle)
    u = (x - cx) * c + (y - cy) * s
    v = -(x - cx) * s + (y - cy) * c
    return (u / rx) ** 2 + (v / ry) ** 2 <= 1.0


# Layers from bottom to top: (test, colour as R, G, B, A).
TILE = (38, 150, 110, 255)
TILE_EDGE = (22, 104, 76, 255)
PAGE = (252, 252, 246, 255)
LINE = (150, 160, 170, 255)
CUT = (214, 48, 49, 255)
STEM = (60, 120, 30, 255)
LEAF = (128, 196, 60, 255)


def colour_at(x, y):
    colour = (0, 0, 0, 0)
    if rounded_rect(x, y, 0.5, 0.5, 31.5, 31.5, 6):
        colour = TILE_EDGE
    if rounded_rect(x, y, 1.5, 1.5, 30.5, 30.5, 5):
        colour = TILE
    if rounded_rect(x, y, 6, 4, 22, 28, 1.5):
        colour = PAGE
        for row in (8, 11, 14, 20, 23, 26):
            if row - 0.6 <= y <= row + 0.6 and 8.5 <= x <= 19.5:
                colour = LINE
    # The cut: a dashed line across the page, a little wider than it.
    if 16.2 <= y <= 17.8 and 3 <= x <= 25 and int(x - 3) % 4 < 3:
        colour = CUT
    # The sprout at the bottom right corner.
    if segment_distance(x, y, 25, 29, 25, 19) <= 0.9:
        colour = STEM
    if ellipse(x, y, 22, 19.5, 3.6, 1.6, math.radians(35)):
        colour = LEAF
    if ellipse(x, y, 28, 17.5, 3.6, 1.6, math.radians(-35)):
        colour = LEAF
    if ellipse(x, y, 25, 14.5, 1.5, 3.2, 0):
        colour = LEAF
    return colour


def render():
    pixels = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SUB):
                for sx in range(SUB):
                    r, g, b, a = colour_at(px + (sx + 0.5) / SUB, py + (sy + 0.5) / SUB)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SUB * SUB
            alpha = acc[3] / n
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(round(acc[i] / acc[3])) for i in range(3)) +
                           (int(round(alpha)),))
        pixels.append(row)
    return pixels


def ico_bytes(pixels):
    # The image: a BITMAPINFOHEADER of double height (colour plus mask),
    # BGRA rows from the bottom up, then a 1-bit AND mask (rows of 4 bytes).
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    mask = bytearray()
    for row in reversed(pixels):
        bits = 0
        for i, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits |= 1 << (31 - i)
        mask += struct.pack(">I", bits)
    image = header + bytes(colour) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "ui", "app.ico")
    with open(out, "wb") as f:
        f.write(ico_bytes(render()))
    print(out)


if __name__ == "__main__":
    main()
