# Screenshots and pictures as RGB pixels (grim's PPM, the X screen, TGA files), read at logical pixels.
# ImageMagick reads and writes the files: a reader of its own, independent of the editor's.
import re, subprocess

# The markers' colours by segment type, and the ring of pixels around a point that its outline covers:
# a 6 x 6 square with a 2-pixel pen, from px - 4 to px + 2, two pixels thick.
MARKERS = ((50, 50, 255), (50, 255, 50), (255, 50, 50))
RING = [(dx, dy) for dy in range(-4, 3) for dx in range(-4, 3) if not (-2 <= dx <= 0 and -2 <= dy <= 0)]


def near(colour, wanted, by=40):  # about the colour: lines are anti-aliased
    return all(abs(a - b) <= by for a, b in zip(colour, wanted))


class Shot:  # width x height device pixels, RGB, `scale` device pixels to a logical one each way
    def __init__(self, width, height, data, scale=1):
        self.width, self.height, self.data, self.scale = width, height, bytes(data), scale
        self.size = (width // scale, height // scale)

    def block(self, x, y):  # the device pixels of logical pixel (x, y), row by row
        i, s = 3 * self.scale * (y * self.width + x), self.scale
        return b"".join(self.data[i + 3 * j * self.width:i + 3 * (j * self.width + s)] for j in range(s))

    def at(self, x, y):  # logical pixel (x, y)'s colour: its top-left device pixel's
        return tuple(self.block(x, y)[:3])

    def ring(self, x, y, colour, zoom=1, by=40):  # how many pixels of the marker's ring at (x, y) are of about the colour
        return sum(near(self.at(int(x + (dx + 0.5) * zoom), int(y + (dy + 0.5) * zoom)), colour, by) for dx, dy in RING)

    def png(self, path):
        head = b"P6 %d %d 255\n" % (self.width, self.height)
        subprocess.run(["convert", "ppm:-", path], input=head + self.data, check=True)
        return path


def ppm(data, scale=1):  # a binary PPM, as grim and ImageMagick write it
    width, height = map(int, (head := re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)).groups())
    return Shot(width, height, data[head.end():head.end() + 3 * width * height], scale)


def magick(*command):  # what ImageMagick writes as 8-bit PPM
    return ppm(subprocess.run([*command, "-depth", "8", "ppm:-"], capture_output=True, check=True).stdout)


def x_screen():  # the whole X screen
    return magick("import", "-window", "root")


def tga(path):  # stored bottom row first unless flagged otherwise, which ImageMagick leaves to -auto-orient
    return magick("convert", path, "-auto-orient")


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
