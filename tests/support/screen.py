# Screenshots and pictures as RGB pixels (grim's PPM, the X screen, TGA files), read at logical pixels.
import re, struct, zlib

# The markers' colours by segment type, and the ring of pixels around a point that its outline covers:
# a 6 x 6 square with a 2-pixel pen, from px - 4 to px + 2, two pixels thick.
MARKERS = ((50, 50, 255), (50, 255, 50), (255, 50, 50))
RING = [(dx, dy) for dy in range(-4, 3) for dx in range(-4, 3) if not (-2 <= dx <= 0 and -2 <= dy <= 0)]


class Shot:  # width x height device pixels, RGB, `scale` device pixels to a logical one each way
    def __init__(self, width, height, data, scale=1):
        self.width, self.height, self.data, self.scale = width, height, bytes(data), scale
        self.size = (width // scale, height // scale)

    def block(self, x, y):  # the device pixels of logical pixel (x, y), row by row
        i, s = 3 * self.scale * (y * self.width + x), self.scale
        return b"".join(self.data[i + 3 * j * self.width:i + 3 * (j * self.width + s)] for j in range(s))

    def at(self, x, y):  # logical pixel (x, y)'s colour: its top-left device pixel's
        return tuple(self.block(x, y)[:3])

    def png(self, path):
        rows = b"".join(b"\0" + self.data[3 * self.width * y:3 * self.width * (y + 1)] for y in range(self.height))
        chunk = lambda kind, body: struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0))
                    + chunk(b"IDAT", zlib.compress(rows, 6)) + chunk(b"IEND", b""))
        return path


def ppm(data, scale=1):  # a binary PPM, as grim writes it
    width, height = map(int, (head := re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)).groups())
    return Shot(width, height, data[head.end():head.end() + 3 * width * height], scale)


def x_screen():  # the whole X screen, whose 24-bit colours Xvfb keeps in 32-bit pixels, blue first
    from Xlib import X, display
    root = display.Display().screen().root
    g = root.get_geometry()
    bgrx, rgb = root.get_image(0, 0, g.width, g.height, X.ZPixmap, 0xFFFFFFFF).data, bytearray(3 * g.width * g.height)
    rgb[0::3], rgb[1::3], rgb[2::3] = bgrx[2::4], bgrx[1::4], bgrx[0::4]
    return Shot(g.width, g.height, rgb)


def tga(path):  # an uncompressed 24-bit TGA file
    data = open(path, "rb").read()
    width, height, depth, descriptor = struct.unpack_from("<HHBB", data, 12)
    if data[2] != 2 or depth != 24:
        raise SystemExit(f"{path}: not an uncompressed 24-bit TGA")
    rows = [data[18 + data[0] + 3 * width * y:18 + data[0] + 3 * width * (y + 1)] for y in range(height)]
    rgb = bytearray(b"".join(rows if descriptor & 0x20 else rows[::-1]))  # stored bottom row first unless flagged
    rgb[0::3], rgb[2::3] = rgb[2::3], rgb[0::3]
    return Shot(width, height, rgb)


def find(shot, picture, zoom=None):
    # The device pixel where the picture's top-left pixel shows, each picture pixel `zoom` device pixels across
    # (the shot's scale unless given), nearest neighbour: where a corner of 16 x 16 logical pixels shows
    # unchanged; or None.
    zoom = zoom or shot.scale
    n, w = int(16 * zoom), 3 * shot.width
    rows = [b"".join(picture.block(int((x + 0.5) / zoom), int((y + 0.5) / zoom)) for x in range(n)) for y in range(n)]
    at = shot.data.find(rows[0])
    while at >= 0:
        if at % 3 == 0 and at % w + 3 * n <= w and all(shot.data[at + j * w:at + j * w + 3 * n] == rows[j] for j in range(n)):
            return at % w // 3, at // w
        at = shot.data.find(rows[0], at + 1)
