"""Drives the editor on a running sway at a screen scale and checks on screenshots that each change of
the canvas shows within 500 ms, and shows what a full repaint shows. run.sh prepares the folder this
runs in: the compositor, the editor with the example files, the pointer tool.
Usage: wayland_run.py SCALE SHOT_DIR [--keep]"""
import json
import math
import subprocess
import sys
import time

from screen import count, differ, find, near, read_ppm, read_tga, shows_picture

SCALE, SHOTS, KEEP = int(sys.argv[1]), sys.argv[2], "--keep" in sys.argv
# The window floats at a known place, large enough for the whole picture and a margin beyond it,
# where the band may reach past the picture. Only a native Wayland window matches.
LEFT, TOP, WIDTH, HEIGHT, MARGIN = 100, 100, 800, 700, 16
PLAIN = (0, 100, 60, 100)  # picture pixels that nothing is ever drawn over
STRAIGHT, JUMP, RIGHT, RING, BAND = (50, 50, 255), (50, 255, 50), (255, 50, 50), (50, 255, 255), (205, 0, 0)


def fail(*words):
    print("FAIL", *words, flush=True)
    sys.exit(1)


def run(*command):
    done = subprocess.run(command, capture_output=True, timeout=10)
    return done.returncode == 0, done.stdout


def place(width):
    """Places the window; sway has been seen to move a floating window as it resized it."""
    return run("swaymsg", f'[title="^VORN Spline Editor" shell="xdg_shell"] floating enable, '
                          f'resize set {width} {HEIGHT}, move position {LEFT} {TOP}')[0]


def grab(box):
    ok, out = run("grim", "-t", "ppm", "-g", "%d,%d %dx%d" % box, "-")
    return read_ppm(out, SCALE) if ok else fail(": no screenshot")


def settled(box):
    """Once two shots 50 ms apart agree."""
    last = grab(box)
    for _ in range(30):
        time.sleep(0.05)
        now = grab(box)
        if now.data == last.data:
            break
        last = now
    return last


def save(shot, name):
    with open(f"{SHOTS}/{name}.ppm", "wb") as f:
        f.write(b"P6 %d %d 255\n" % (shot.width, shot.height) + shot.data)
    return name + ".ppm"


def main():
    start = time.monotonic()
    while not place(WIDTH):
        if time.monotonic() - start > 15:
            fail(": no native Wayland (xdg_shell) window of the editor within 15 s")
        time.sleep(0.2)
    time.sleep(0.5)
    place(WIDTH)
    picture = read_tga("terrain.tga")
    pw, ph = picture.size()
    whole = settled((0, 0, 1280, 1024))
    origin = find(whole, picture)
    if not origin:
        fail(": the example picture is nowhere on the screen (%s)" % save(whole, "start"))
    area = (origin[0], origin[1], pw + MARGIN, ph + MARGIN)
    shot = settled(area)

    def pictured(shot, box):
        """The share of the box's pixels that show the picture's as they are in the file."""
        x0, y0, w, h = box
        cells = [(x, y) for y in range(max(y0, 0), min(y0 + h, ph)) for x in range(max(x0, 0), min(x0 + w, pw))]
        return sum(shows_picture(shot, picture, (0, 0), x, y) for x, y in cells) / max(len(cells), 1)

    # The picture shows one of its pixels per logical pixel, never smoothed; the path's strokes are
    # drawn at the screen's resolution, so along them many pixel blocks are not of one colour.
    checks = []

    def check(ok, what):
        print("ok  " if ok else "FAIL", what, flush=True)
        checks.append(ok)

    check(pictured(shot, PLAIN) == 1, "the picture's pixels as they are in the file, each a uniform "
          "block of device pixels")
    drawn = [shot.block(x, y) for y in range(ph) for x in range(pw) if not shows_picture(shot, picture, (0, 0), x, y)]
    uniform = sum(b == b[:3] * (SCALE * SCALE) for b in drawn)
    if SCALE > 1:
        check(uniform < 0.9 * len(drawn), f"{uniform} of {len(drawn)} blocks along the strokes uniform")

    def full_repaint():
        """Shrinks the window as far as it goes, until the canvas shows none of the picture beyond the
        narrow strip at its left that stays, then back: the toolkit then paints the canvas anew, and the
        picture must show again."""
        for width, wanted in ((100, lambda s: pictured(s, (40, 0, pw - 40, ph)) < 0.01),
                              (WIDTH, lambda s: pictured(s, PLAIN) == 1)):
            start = time.monotonic()
            while not wanted(now := grab(area)):
                if not place(width) or time.monotonic() - start > 5:
                    fail(f": the canvas did not repaint within 5 s of a resize to {width} ({save(now, 'resize')})")
                time.sleep(0.05)
        if pointer_at:
            # The pointer left the canvas as it shrank, which forgets the hover: a move there and
            # back hovers again (and drags to where the drag was).
            x, y = map(int, pointer_at.split()[1:])
            send(f"move {x + 1} {y}", remember=False), time.sleep(0.15), send(pointer_at)
        return settled(area)

    pointer = subprocess.Popen(["./virtual-pointer", "1280", "1024"], stdin=subprocess.PIPE, text=True)

    pointer_at = None

    def send(line, remember=True):
        nonlocal pointer_at
        if remember and line.startswith("move "):
            pointer_at = line
        try:
            pointer.stdin.write(line + "\n")
            pointer.stdin.flush()
        except OSError:
            fail(": the pointer tool stopped")

    time.sleep(0.5)
    # Empty terrain away from the track; the eighth point (16 pixels from its neighbours) and where
    # it is dragged; the border above the sixth point, outside the loop: red until reversed.
    pixel = lambda x, y: (math.floor((x + 128) * 2 + 0.5), math.floor((128 - y) * 2 + 0.5))
    empty, point = (80, 440), pixel(0, 55)
    dragged = (point[0] + 24, point[1] + 30)
    band, outer = (30, 20, 120, 60), pixel(18.67, 62.3)
    outer = (outer[0] - 17, outer[1] - 6, 36, 10)
    around = lambda p, r: (p[0] - r, p[1] - r, 2 * r + 1, 2 * r + 1)
    at = lambda p: f"move {origin[0] + p[0]} {origin[1] + p[1]}"

    def marker(p, colour, shown=True):
        """The outline of a marker (a 6 x 6 square with a 2-pixel pen: 7 x 7 pixels) at p, or none."""
        ring = [(p[0] + dx, p[1] + dy) for dy in range(-4, 3) for dx in range(-4, 3)
                if not (-2 <= dx <= 0 and -2 <= dy <= 0)]
        return lambda before, now: (sum(near(now.at(*q), colour) for q in ring) >= 16) == shown

    def change(box, colour, by, hole=(0, 0, 0, 0)):
        """At least `by` more pixels of about the colour in the box, not the hole; or with a negative
        `by`, that many fewer."""
        n = lambda s: count(s, box, colour) - count(s, hole, colour)
        return lambda before, now: n(now) - n(before) >= by if by > 0 else n(now) - n(before) <= by

    def changed(box, by):
        """At least `by` pixels of the box not as they were."""
        x0, y0, w, h = box
        return lambda before, now: sum(before.block(x, y) != now.block(x, y)
                                       for y in range(y0, y0 + h) for x in range(x0, x0 + w)) >= by

    def fewer(shows, box):
        """What takes pixels away must not pass over a canvas that shows nothing."""
        x, y, w, h = box
        return lambda before, now: shows(before, now) and pictured(now, (x - 20, y - 20, w + 40, h + 40)) > 0.3

    outline, inside = (29, 19, 122, 62), (32, 22, 116, 56)
    steps = [
        ("click", [at(empty)], ["press", "release"], "a new point's marker", marker(empty, STRAIGHT)),
        ("hover", [], [at(point)], "the ring around the point under the pointer", change(around(point, 13), RING, 12)),
        ("band", [at(band[:2])], ["press", at((80, 50)), at((149, 79))], "the outline of the band being dragged",
         change(outline, BAND, 180, inside)),
        ("band-release", [], ["release"], "the band gone on release", fewer(change(outline, BAND, -180, inside), band)),
        ("drag", [at(point)], ["press", at((point[0] + 10, point[1] + 12)), at(dragged)], "the dragged point's marker",
         marker(dragged, STRAIGHT), dragged),
        ("key-w", [], ["keys w"], "the dragged point's borders wider", changed(around(dragged, 20), 10)),
        ("key-n", [], ["keys n"], "the dragged point's marker in the next type's colour", marker(dragged, JUMP)),
        ("key-r", [], ["keys r"], "the outer border from red to blue", fewer(change(outer, RIGHT, -15), outer)),
        ("key-d", [], ["keys d"], "the dragged point deleted", fewer(marker(dragged, JUMP, False), around(dragged, 5))),
        ("control-z", [], ["keys -M ctrl z -m ctrl"], "the deleted point back", marker(dragged, JUMP)),
    ]
    for step, set_up, inputs, expected, shows, *dragging in steps:
        for line in set_up:
            send(line)
        before = settled(area)
        for i, line in enumerate(inputs):
            if line.startswith("keys "):
                # Each wtype brings a new virtual keyboard: the toolkit needs a moment to take it.
                if not run("wtype", "-s", "1200", *line[5:].split())[0]:
                    fail(step, ": wtype failed")
            else:
                time.sleep(0.15 if i else 0)  # paced as a hand paces them: the toolkit drops a motion that comes too soon
                send(line)
        sent, shown_after = time.monotonic(), None
        while shown_after is None and time.monotonic() - sent <= 0.5:
            grabbed = time.monotonic() - sent
            if shows(before, now := grab(area)):
                shown_after = grabbed
        shown = settled(area)
        full = full_repaint()
        # While a button is held, no move hovers again: the ring that the pointer's leave took away stays away.
        ring = lambda x, y: dragging and 7 < math.hypot(x + 0.5 - dragging[0][0], y + 0.5 - dragging[0][1]) < 12.5
        differing, where = differ(shown, full, ring)
        check(shown_after is not None, f"{step}: {expected}, in the screenshot " + (
            f"{shown_after * 1000:.0f} ms after the input" if shown_after is not None else "not within 500 ms"))
        check(not differing, f"{step}: the screen " + (f"differs from a full repaint in {differing} device pixels, "
              f"within {where} of the picture" if differing else "as a full repaint shows it"))
        if shown_after is None or differing or KEEP:
            print("     screenshots:", *(save(s, f"{step}-{n}") for n, s in (
                ("1-before", before), ("2-last-polled", now), ("3-settled", shown), ("4-full-repaint", full))))

    def windows(n):
        """Once n windows of the editor show, within 5 s: the focused one's rectangle (or True)."""
        start = time.monotonic()
        while time.monotonic() - start < 5:
            found, nodes = [], [json.loads(run("swaymsg", "-t", "get_tree")[1] or b"{}")]
            while nodes:
                node = nodes.pop()
                nodes += node.get("nodes", []) + node.get("floating_nodes", [])
                found += [node] if (node.get("name") or "").startswith("VORN Spline Editor") else []
            if len(found) == n:
                return next((w["rect"] for w in found if w["focused"]), True)
            time.sleep(0.1)
        return None

    # The close box, with the steps' changes unsaved, brings up the question: Cancel keeps the window,
    # Save saves and ends the editor. The pointer answers (wtype's keys reach no GTK dialog here), once
    # the button that the drag holds is up: in the focused window, three buttons across its foot.
    send("release")
    points = int(open("track.txt").readline())
    for button, left in (("Cancel", 1), ("Save", 0)):
        run("swaymsg", '[title="^VORN Spline Editor" shell="xdg_shell"] kill')
        box = windows(2)
        if isinstance(box, dict):
            send(f"move {box['x'] + box['width'] * (3 if left else 5) // 6} {box['y'] + box['height'] - 21}")
            time.sleep(0.3), send("press"), time.sleep(0.15), send("release")
        check(box is not None and windows(left) is not None, f"close-{button}: the question came up and was answered")
    check(int(open("track.txt").readline()) == points + 1, "close: the track saved, with the point the click made")
    pointer.stdin.close()
    failed = checks.count(False)
    print(f"{len(checks) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
