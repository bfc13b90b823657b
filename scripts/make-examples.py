#!/usr/bin/env python3
"""Draws the example terrain picture (examples/terrain.tga) and a track over it
(examples/track.txt). Pure Python: smooth value noise for hills, a river, a lake."""
import math
import random
import struct

SIZE = 512
random.seed(7)

# Value noise on a coarse lattice, smoothly interpolated, several octaves.
def make_lattice(n):
    return [[random.random() for _ in range(n + 1)] for _ in range(n + 1)]

octaves = [(make_lattice(4), 4, 1.0), (make_lattice(8), 8, 0.5), (make_lattice(16), 16, 0.25),
           (make_lattice(32), 32, 0.12)]

def smooth(t):
    return t * t * (3 - 2 * t)

def noise(x, y):
    total = 0.0
    for lattice, n, amp in octaves:
        fx, fy = x * n, y * n
        ix, iy = int(fx), int(fy)
        tx, ty = smooth(fx - ix), smooth(fy - iy)
        a = lattice[iy][ix] + (lattice[iy][ix + 1] - lattice[iy][ix]) * tx
        b = lattice[iy + 1][ix] + (lattice[iy + 1][ix + 1] - lattice[iy + 1][ix]) * tx
        total += amp * (a + (b - a) * ty)
    return total / 1.87

def river_distance(x, y):
    cx = 0.78 + 0.06 * math.sin(y * 7.0)
    return abs(x - cx)

rows = []
for py in range(SIZE):
    y = py / SIZE
    row = bytearray()
    for px in range(SIZE):
        x = px / SIZE
        h = noise(x * 0.999, y * 0.999)
        lake = math.hypot(x - 0.22, y - 0.25) < 0.07
        if lake or river_distance(x, y) < 0.012:
            r, g, b = 40, 90, 170
        elif h < 0.42:
            r, g, b = 70 + int(60 * h), 120 + int(80 * h), 50
        elif h < 0.6:
            r, g, b = 95 + int(70 * (h - 0.42) / 0.18), 115, 60
        else:
            s = min(1.0, (h - 0.6) / 0.3)
            r, g, b = 120 + int(90 * s), 105 + int(90 * s), 85 + int(100 * s)
        row += bytes((b, g, r))  # TGA stores blue, green, red
    rows.append(row)

with open("examples/terrain.tga", "wb") as f:
    f.write(struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, SIZE, SIZE, 24, 0))
    for row in reversed(rows):  # bottom row first
        f.write(row)

# A closed-looking loop around the middle of the map, with a jump over the river
# and curves at the bends.
points = []
n = 28
for i in range(n):
    t = 2 * math.pi * i / n
    x = 70 * math.cos(t) + 12 * math.cos(3 * t)
    y = 55 * math.sin(t) + 10 * math.sin(2 * t)
    w = 4.0 + 1.5 * math.sin(2 * t) ** 2
    kind = 1 if abs(x - 72) < 10 else (2 if abs(math.sin(2 * t)) > 0.8 else 0)
    points.append((x, y, w, kind))

with open("examples/track.txt", "w") as f:
    f.write("%d\n" % len(points))
    for x, y, w, kind in points:
        f.write("%.6f,%.6f,%.6f,%d\n" % (x, y, w, kind))
