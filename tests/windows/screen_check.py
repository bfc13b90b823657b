#!/usr/bin/env python3
"""What a screenshot of the editor shows, against the files it has open, at SCALE screen pixels a picture
pixel (1 unless given; each screen pixel shows the picture pixel under its centre).
    screen_check.py locate SHOT.xwd PICTURE.tga [SCALE]    prints the screen position of the picture's pixel (0, 0)
    screen_check.py check SHOT.xwd PICTURE.tga TRACK.txt [PNG [SCALE]]
        passes when every picture pixel on screen away from the path equals the file's
        and each point's marker shows in its type's colour; PNG gets the screenshot.
    screen_check.py png SHOT.xwd PNG                  the screenshot as it is
Screenshots come from `xwd -root`; pictures are uncompressed 24-bit TGA files."""
import math
import struct
import sys
import zlib

MARKER_COLOURS = {0: (50, 50, 255), 1: (50, 255, 50), 2: (255, 50, 50)}
# Within this many pixels of a segment the borders, the start line and the
# markers may cover the picture (the widest half-width here is under 6 units,
# 12 pixels on a 512-pixel picture).
PATH_MARGIN = 20


class Image:
    def __init__(self, width, height, pixels):
        self.width, self.height, self.pixels = width, height, pixels  # rows of (r, g, b)

    def at(self, x, y):
        return self.pixels[y][x]


def read_xwd(path):
    data = open(path, "rb").read()
    header = struct.unpack(">25I", data[:100])
    header_size, version, fmt, depth, width, height = header[:6]
    byte_order, bits_per_pixel, bytes_per_line = header[7], header[11], header[12]
    masks, ncolors = header[14:17], header[19]
    size = bits_per_pixel // 8
    if version != 7 or fmt != 2 or size not in (3, 4) or masks != (0xFF0000, 0xFF00, 0xFF):
        raise SystemExit(f"{path}: an XWD dump of a kind this check does not read")
    start = header_size + 12 * ncolors
    # The pixel's bytes in the order the server keeps them.
    blue, green, red = (0, 1, 2) if byte_order == 0 else (size - 1, size - 2, size - 3)
    rows = []
    for y in range(height):
        row = data[start + y * bytes_per_line:start + y * bytes_per_line + width * size]
        rows.append(list(zip(row[red::size], row[green::size], row[blue::size])))
    return Image(width, height, rows)


def read_tga(path):
    data = open(path, "rb").read()
    id_length, _, kind = data[0], data[1], data[2]
    width, height, depth, descriptor = struct.unpack_from("<HHBB", data, 12)
    if kind != 2 or depth != 24:
        raise SystemExit(f"{path}: not an uncompressed 24-bit TGA")
    start = 18 + id_length
    rows = []
    for y in range(height):
        row = data[start + y * width * 3:start + (y + 1) * width * 3]
        rows.append([(row[i + 2], row[i + 1], row[i]) for i in range(0, len(row), 3)])
    if not descriptor & 0x20:  # stored bottom row first
        rows.reverse()
    return Image(width, height, rows)


def read_track(path):
    lines = open(path, "rb").read().decode("ascii").split("\n")
    count = int(lines[0])
    points = []
    for line in lines[1:1 + count]:
        x, y, w, kind = line.strip().split(",")
        points.append((float(x), float(y), float(w), int(kind)))
    return points


def to_pixel(picture, x, y):
    """World to picture pixel as the editor rounds it (add one half, truncate)."""
    return (int((x + 128.0) / 256.0 * picture.width + 0.5), int((128.0 - y) / 256.0 * picture.height + 0.5))


def write_png(image, path):
    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in image.pixels)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", image.width, image.height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))


def source(d, scale):
    """The picture pixel that screen pixel d (counted from the picture's corner) shows."""
    return int((d + 0.5) / scale)


def locate(shot, picture, scale=1.0):
    """The screen position of the picture's pixel (0, 0): where a 16 x 16 patch of
    its top left corner, away from any track, appears unchanged."""
    n = 16
    patch = [[picture.at(source(x, scale), source(y, scale)) for x in range(n)] for y in range(n)]
    first = patch[0][0]
    for sy in range(shot.height - n):
        row = shot.pixels[sy]
        for sx in range(shot.width - n):
            if row[sx] == first and all(shot.pixels[sy + y][sx:sx + n] == patch[y] for y in range(n)):
                return sx, sy
    return None


def distance_to_segment(px, py, a, b):
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    length = dx * dx + dy * dy
    t = 0.0 if length == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def check(shot, picture, points, scale=1.0):
    failures = []
    origin = locate(shot, picture, scale)
    if origin is None:
        return ["the picture's top left corner is nowhere on the screen"]
    ox, oy = origin
    pixels = [tuple(int(c * scale) for c in to_pixel(picture, x, y)) for x, y, _, _ in points]  # on screen
    segments = list(zip(pixels, pixels[1:])) or [(p, p) for p in pixels]

    # The canvas shows as much of the picture as fits: follow its first row and
    # column to where the screen stops matching.
    width = next((x for x in range(int(picture.width * scale)) if ox + x >= shot.width or
                  shot.at(ox + x, oy) != picture.at(source(x, scale), 0)), int(picture.width * scale))
    height = next((y for y in range(int(picture.height * scale)) if oy + y >= shot.height or
                   shot.at(ox, oy + y) != picture.at(0, source(y, scale))), int(picture.height * scale))
    near = [[False] * width for _ in range(height)]
    m = int(PATH_MARGIN * scale)
    for a, b in segments:
        for y in range(max(0, min(a[1], b[1]) - m), min(height, max(a[1], b[1]) + m + 1)):
            for x in range(max(0, min(a[0], b[0]) - m), min(width, max(a[0], b[0]) + m + 1)):
                if not near[y][x] and distance_to_segment(x, y, a, b) < m:
                    near[y][x] = True
    compared = differing = 0
    for y in range(height):
        for x in range(width):
            if not near[y][x]:
                compared += 1
                differing += shot.at(ox + x, oy + y) != picture.at(source(x, scale), source(y, scale))
    print(f"picture at screen ({ox}, {oy}), {width} x {height} of it on screen; "
          f"{compared} pixels away from the path compared, {differing} differ")
    if differing or compared < width * height // 3:
        failures.append(f"{differing} of {compared} picture pixels away from the path differ")

    # A marker is the outline of the 6 x 6 square at (px - 3, py - 3), drawn with a
    # 2-pixel pen, which puts it on the 7 x 7 ring from px - 4 to px + 2, two
    # pixels thick; lines lie beneath it, and the corners may be rounded.
    ring = [(dx, dy) for dy in range(-4, 3) for dx in range(-4, 3) if not (-2 <= dx <= 0 and -2 <= dy <= 0)]
    markers = 0
    for i, (x, y, _, kind) in enumerate(points):
        px, py = to_pixel(picture, x, y)  # in the picture; on screen each of its pixels' centre is looked at
        if kind not in MARKER_COLOURS or not (5 * scale <= px * scale < width - 5 * scale and
                                              5 * scale <= py * scale < height - 5 * scale):
            continue
        markers += 1
        # GDI puts the outline a pixel further right and down, from px - 3 to px + 3.
        hits = max(sum(shot.at(ox + int((px + dx + d + 0.5) * scale), oy + int((py + dy + d + 0.5) * scale)) ==
                       MARKER_COLOURS[kind] for dx, dy in ring) for d in (0, 1))
        if hits < len(ring) - 8:
            failures.append(f"point {i} at pixel ({px}, {py}): {hits} of the {len(ring)} pixels of its marker "
                            f"in its type's colour {MARKER_COLOURS[kind]}")
    print(f"{markers} of {len(points)} points on screen with a marker checked")
    if markers == 0:
        failures.append("no marker on screen")
    return failures


def main(argv):
    if len(argv) >= 4 and argv[1] == "locate":
        origin = locate(read_xwd(argv[2]), read_tga(argv[3]), float(argv[4]) if len(argv) > 4 else 1.0)
        if origin is None:
            raise SystemExit("the picture is not on the screen")
        print(*origin)
        return 0
    if len(argv) in (5, 6, 7) and argv[1] == "check":
        shot = read_xwd(argv[2])
        if len(argv) >= 6:
            write_png(shot, argv[5])
        failures = check(shot, read_tga(argv[3]), read_track(argv[4]), float(argv[6]) if len(argv) > 6 else 1.0)
        for failure in failures:
            print("FAIL:", failure)
        return 1 if failures else 0
    if len(argv) == 4 and argv[1] == "png":
        write_png(read_xwd(argv[2]), argv[3])
        return 0
    raise SystemExit(__doc__)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
