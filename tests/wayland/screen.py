"""Screenshots of the editor, in device pixels, read at logical pixels, and the pictures they show."""
import re
import struct


class Shot:
    """An RGB image of width x height device pixels, `scale` device pixels to a logical one each way."""

    def __init__(self, width, height, data, scale=1):
        self.width, self.height, self.data, self.scale = width, height, bytes(data), scale

    def size(self):
        return self.width // self.scale, self.height // self.scale

    def block(self, x, y):
        """The device pixels of logical pixel (x, y), row by row."""
        s, w = self.scale, self.width
        return b"".join(self.data[3 * ((y * s + j) * w + x * s):3 * ((y * s + j) * w + x * s + s)] for j in range(s))

    def at(self, x, y):
        """Logical pixel (x, y)'s colour: its top-left device pixel's."""
        i = 3 * (y * self.scale * self.width + x * self.scale)
        return tuple(self.data[i:i + 3])


def read_ppm(data, scale=1):
    """A binary PPM (P6) as grim writes it."""
    header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
    if not header:
        raise ValueError("not a binary PPM")
    width, height = int(header.group(1)), int(header.group(2))
    return Shot(width, height, data[header.end():header.end() + 3 * width * height], scale)


def read_tga(path):
    """An uncompressed 24-bit TGA file, top row first."""
    data = open(path, "rb").read()
    width, height, depth, descriptor = struct.unpack_from("<HHBB", data, 12)
    if data[2] != 2 or depth != 24:
        raise ValueError(f"{path}: not an uncompressed 24-bit TGA")
    start = 18 + data[0]
    rows = [data[start + 3 * width * y:start + 3 * width * (y + 1)] for y in range(height)]
    if not descriptor & 0x20:  # stored bottom row first
        rows.reverse()
    rgb = bytearray(b"".join(rows))
    rgb[0::3], rgb[2::3] = rgb[2::3], rgb[0::3]  # BGR to RGB
    return Shot(width, height, rgb)


def near(colour, wanted, tolerance=40):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, wanted))


def count(shot, box, colour):
    """Logical pixels within the box (x, y, w, h) of about the colour (lines are anti-aliased)."""
    x0, y0, w, h = box
    width, height = shot.size()
    return sum(near(shot.at(x, y), colour) for y in range(max(y0, 0), min(y0 + h, height))
               for x in range(max(x0, 0), min(x0 + w, width)))


def differ(a, b, ignore=lambda x, y: False):
    """How many device pixels differ, but at logical pixels to ignore, and the logical box around them (or None)."""
    n, box, w = 0, None, a.width * 3
    for y in range(min(a.height, b.height)):
        ra, rb = a.data[y * w:(y + 1) * w], b.data[y * w:(y + 1) * w]
        if ra == rb:
            continue
        for x in range(a.width):
            p = (x // a.scale, y // a.scale)
            if ra[3 * x:3 * x + 3] != rb[3 * x:3 * x + 3] and not ignore(*p):
                n += 1
                box = (min(box[0], p[0]), min(box[1], p[1]), max(box[2], p[0]), max(box[3], p[1])) if box else p * 2
    return n, box


def shows_picture(shot, picture, origin, x, y):
    """Whether logical pixel (x, y) of the picture shows as the file's pixel, the same in all its device pixels."""
    return shot.block(origin[0] + x, origin[1] + y) == picture.block(x, y) * (shot.scale * shot.scale)


def find(shot, picture, size=24):
    """The logical screen position of the picture's top-left pixel: where its top-left size x size
    corner shows unchanged; or None."""
    s, w = shot.scale, shot.width
    rows = [b"".join(picture.block(x, y) * s for x in range(size)) for y in range(size)]
    for y in range(shot.height // s - size):
        line = shot.data[3 * y * s * w:3 * (y * s + 1) * w]
        at = line.find(rows[0])
        while at >= 0:
            x = at // 3
            starts = (3 * (((y + j) * s + k) * w + x) for j in range(size) for k in range(s))
            if at % (3 * s) == 0 and all(shot.data[i:i + len(rows[0])] == rows[n // s] for n, i in enumerate(starts)):
                return x // s, y
            at = line.find(rows[0], at + 1)
    return None
