# Runs the editor on a headless sway at a screen scale (a native Wayland client, no X11 to fall back to) and
# checks on screenshots that each change of the canvas shows within 500 ms and as a full repaint shows it,
# that F10 opens the File menu, and that the close box asks about unsaved changes.
# Usage: wayland_run.py SCALE EDITOR EXAMPLES_DIR SHOT_DIR (where the screenshots of failed checks go)
import itertools, json, math, os, pwd, re, shutil, signal, socket, struct, subprocess, sys, tempfile, time
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from screen import MARKERS, find, near, ppm, tga  # noqa: E402

SCALE, (EDITOR, EXAMPLES, SHOTS) = int(sys.argv[1]), map(os.path.abspath, sys.argv[2:5])
# The window floats at a known place, large enough for the whole picture and a margin beyond it, where the
# band may reach past the picture. Only a native Wayland window matches.
LEFT, TOP, WIDTH, HEIGHT, MARGIN = 100, 100, 800, 700, 16
WINDOW = '[title="^VORN Spline Editor" shell="xdg_shell"] '
PLAIN = (0, 100, 60, 100)  # picture pixels that nothing is ever drawn over
(STRAIGHT, JUMP, RIGHT), HOVER, BAND = MARKERS, (50, 255, 255), (205, 0, 0)
checks, processes = [], []


def fail(*words):
    sys.exit(print("FAIL", *words, flush=True) or 1)


def check(ok, what, **shots):
    print("ok  " if ok else "FAIL", what, flush=True)
    if not ok and shots:
        print("     screenshots:", *(shot.png(f"{SHOTS}/{name}.png") for name, shot in shots.items()))
    checks.append(bool(ok))


def run(*command, must=True):
    done = subprocess.run(command, capture_output=True, timeout=10)
    return done.stdout if done.returncode == 0 else must and fail(":", *command, "failed")


def within(seconds, test, pause=0.1):
    # test()'s first true result, polled; or its false one at the end of the time
    end = time.monotonic() + seconds
    while not (result := test()) and time.monotonic() < end:
        time.sleep(pause)
    return result


def start():
    # sway, which refuses to run as root, and the editor with the example files: as nobody when run as
    # root, in this scratch folder, which that user can read.
    for tool in [t for t in ("sway", "swaymsg", "grim", "wtype", "convert") if not shutil.which(t)][:1]:
        sys.exit(print(f"SKIP: {tool} is not installed (./test.sh installs it)") or 77)
    env = {"PATH": "/usr/bin:/bin", "HOME": os.path.abspath("home"), "XDG_RUNTIME_DIR": os.path.abspath("run")}
    os.chmod(".", 0o755), os.mkdir("home"), os.mkdir("run", 0o700)
    for name in (EDITOR, EXAMPLES + "/terrain.tga", EXAMPLES + "/track.txt"):
        shutil.copy(name, ".")
    os.chmod("track.txt", 0o666)  # saved when the editor closes
    as_user = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] if os.getuid() == 0 else []
    for folder in ("home", "run") if as_user else ():
        os.chown(folder, pwd.getpwnam("nobody").pw_uid, -1)
    open("sway.conf", "w").write(  # the logical screen is 1280 x 1024 at every scale
        f"output HEADLESS-1 resolution {1280 * SCALE}x{1024 * SCALE} scale {SCALE}\nxwayland disable\n")
    launch = lambda log, *command, **more: processes.append(subprocess.Popen(
        as_user + list(command), env=dict(env, **more), stdout=open(log, "w"), stderr=subprocess.STDOUT))
    launch("sway.log", "sway", "-c", "sway.conf", WLR_BACKENDS="headless", WLR_LIBINPUT_NO_DEVICES="1", WLR_RENDERER="pixman")
    sockets = lambda: sorted(n for n in os.listdir("run") if re.fullmatch(r"wayland-\d+|sway-ipc\..*\.sock", n))
    ipc, display = within(10, lambda: len(s := sockets()) == 2 and s) or fail(
        ": sway made no Wayland display within 10 s:\n" + open("sway.log").read()[-2000:])
    os.environ.update(env, WAYLAND_DISPLAY=display, SWAYSOCK=os.path.abspath("run/" + ipc))
    launch("editor.log", "./vornsplineedit", "terrain.tga", "track.txt", WAYLAND_DISPLAY=display, GDK_BACKEND="wayland")
    return "run/" + display


class Pointer:
    # A virtual pointer of wlroots' protocol, spoken on the Wayland socket (no Debian package has a client).
    # It lives as long as the run: a pointer that goes away makes the window under it forget its hover.
    def __init__(self, path):
        self.socket, self.ids, self.at = socket.socket(socket.AF_UNIX), itertools.count(2), None
        self.socket.connect(path)
        self.events = self.socket.makefile("rb")
        self.send(1, 1, next(self.ids))  # the registry, 2: the compositor takes new ids only in order
        self.sync()
        self.send(2, 0, self.manager, b"zwlr_virtual_pointer_manager_v1", 1, next(self.ids))  # the manager, 4
        self.send(4, 0, 0, next(self.ids))  # the pointer, 5, on the default seat
        self.sync()
        time.sleep(0.3)  # the seat announces its new pointer capability to the clients first

    def send(self, target, opcode, *args):
        body = b"".join(struct.pack("=I", a) if isinstance(a, int) else
                        struct.pack("=I", len(a) + 1) + a + b"\0" * (4 - len(a) % 4) for a in args)
        self.socket.sendall(struct.pack("=II", target, (8 + len(body)) << 16 | opcode) + body)

    def sync(self):  # once the compositor has done all that was sent
        self.send(1, 0, callback := next(self.ids))
        while True:
            source, head = struct.unpack("=II", self.events.read(8))
            body = self.events.read((head >> 16) - 8)
            if source == 1 and head & 0xFFFF == 0:
                fail(": the compositor refused a request of the pointer:", body[12:].rstrip(b"\0").decode())
            if source == 2 and b"zwlr_virtual_pointer_manager_v1\0" in body:  # the registry's name for it
                self.manager = struct.unpack_from("=I", body)[0]
            if source == callback:
                return

    def do(self, line, remember=True):  # move X Y (logical pixels), press or release (the left button)
        ms, (word, *at) = int(time.monotonic() * 1000) & 0xFFFFFFFF, line.split()
        self.at = line if at and remember else self.at
        self.send(5, 1, ms, *map(int, at), 1280, 1024) if at else self.send(5, 2, ms, 0x110, word == "press")
        self.send(5, 4), self.sync()


def place(width):  # sway has been seen to move a floating window as it resized it
    return run("swaymsg", WINDOW + f"floating enable, resize set {width} {HEIGHT}, move position {LEFT} {TOP}", must=False)


def grab(box):
    return ppm(run("grim", "-t", "ppm", "-g", "%d,%d %dx%d" % box, "-"), SCALE)


def settled(box):  # once two shots 50 ms apart agree, or the last of 1.5 s
    shots = [grab(box)]
    within(1.5, lambda: shots.append(grab(box)) or shots[-2].data == shots[-1].data, 0.05)
    return shots[-1]


def cells(box, size):
    x0, y0, w, h = box
    return [(x, y) for y in range(max(y0, 0), min(y0 + h, size[1])) for x in range(max(x0, 0), min(x0 + w, size[0]))]


def count(shot, box, colour):  # of about the colour
    return sum(near(shot.at(x, y), colour) for x, y in cells(box, shot.size))


def differ(a, b, ignore=lambda x, y: False):  # the logical pixels where some device pixel differs
    w = 3 * a.width * a.scale  # the bytes of a row of logical pixels
    return [(x, y) for y in range(a.size[1]) if a.data[y * w:(y + 1) * w] != b.data[y * w:(y + 1) * w]
            for x in range(a.size[0]) if a.block(x, y) != b.block(x, y) and not ignore(x, y)]


def main(socket_path):
    within(15, lambda: place(WIDTH), 0.2) or fail(": no native Wayland (xdg_shell) window of the editor within 15 s")
    time.sleep(0.5), place(WIDTH)
    pw, ph = (picture := tga("terrain.tga")).size
    whole = settled((0, 0, 1280, 1024))
    origin = [c // SCALE for c in find(whole, picture) or fail(": the example picture is nowhere on the screen",
                                                              whole.png(SHOTS + "/start.png"))]
    shot = settled(area := (*origin, pw + MARGIN, ph + MARGIN))
    unchanged = lambda shot, x, y: shot.block(x, y) == picture.block(x, y) * (SCALE * SCALE)
    # The share of the box's pixels that show the picture's as they are in the file.
    pictured = lambda shot, box: sum(unchanged(shot, x, y) for x, y in cells(box, (pw, ph))) / max(len(cells(box, (pw, ph))), 1)

    # The picture shows one of its pixels per logical pixel, never smoothed; the path's strokes are drawn at
    # the screen's resolution, so along them many pixel blocks are not of one colour.
    check(pictured(shot, PLAIN) == 1, "the picture's pixels as they are in the file, each a uniform block of device pixels")
    drawn = [shot.block(x, y) for x, y in cells((0, 0, pw, ph), (pw, ph)) if not unchanged(shot, x, y)]
    uniform = sum(b == b[:3] * (SCALE * SCALE) for b in drawn)
    if SCALE > 1:
        check(uniform < 0.9 * len(drawn), f"{uniform} of {len(drawn)} blocks along the strokes uniform")

    pointer = Pointer(socket_path)

    def send(line, remember=True):  # to the pointer, or keys through wtype
        # each wtype brings a new virtual keyboard, which the toolkit takes a moment to take
        run("wtype", "-s", "1200", *line[5:].split()) if line.startswith("keys ") else pointer.do(line, remember)

    def full_repaint():
        # Shrinks the window as far as it goes, until the canvas shows none of the picture beyond the narrow
        # strip at its left that stays, then back: the toolkit then paints the canvas anew, and the picture
        # must show again.
        for width, wanted in ((100, lambda s: pictured(s, (40, 0, pw - 40, ph)) < 0.01),
                              (WIDTH, lambda s: pictured(s, PLAIN) == 1)):
            shots = []
            within(5, lambda: wanted(shots.append(grab(area)) or shots[-1]) or place(width) and False, 0.05) or fail(
                f": the canvas did not repaint within 5 s of a resize to {width}", shots[-1].png(SHOTS + "/resize.png"))
        if pointer.at:
            # The pointer left the canvas as it shrank, which forgets the hover: a move there and back hovers
            # again (and drags to where the drag was).
            x, y = map(int, pointer.at.split()[1:])
            send(f"move {x + 1} {y}", remember=False), time.sleep(0.15), send(pointer.at)
        return settled(area)

    # Empty terrain away from the track; the eighth point (16 pixels from its neighbours) and where it is
    # dragged; the border above the sixth point, outside the loop: red until reversed.
    pixel = lambda x, y: (math.floor((x + 128) * 2 + 0.5), math.floor((128 - y) * 2 + 0.5))
    empty, point, outer = (80, 440), pixel(0, 55), pixel(18.67, 62.3)
    dragged, band, outer = (point[0] + 24, point[1] + 30), (30, 20, 120, 60), (outer[0] - 17, outer[1] - 6, 36, 10)
    around = lambda p, r: (p[0] - r, p[1] - r, 2 * r + 1, 2 * r + 1)
    at = lambda p: f"move {origin[0] + p[0]} {origin[1] + p[1]}"
    # What each step must show: the outline of a marker at p, or none; at least `by` more pixels of about
    # the colour in the box but the hole, or with a negative `by` that many fewer; at least `by` pixels of
    # the box not as they were; and what takes pixels away must not pass over a canvas that shows nothing.
    marker = lambda p, colour, shown=True: lambda before, now: (now.ring(*p, colour) >= 16) == shown
    change = lambda box, colour, by, hole=(0, 0, 0, 0): lambda before, now: (
        count(now, box, colour) - count(now, hole, colour) - count(before, box, colour) + count(before, hole, colour)
    ) * (1 if by > 0 else -1) >= abs(by)
    changed = lambda box, by: lambda before, now: sum(before.block(*c) != now.block(*c) for c in cells(box, now.size)) >= by
    fewer = lambda shows, box: lambda before, now: shows(before, now) and pictured(
        now, (box[0] - 20, box[1] - 20, box[2] + 40, box[3] + 40)) > 0.3
    outline, inside = (29, 19, 122, 62), (32, 22, 116, 56)
    steps = [
        ("click", [at(empty)], ["press", "release"], "a new point's marker", marker(empty, STRAIGHT)),
        ("hover", [], [at(point)], "the ring around the point under the pointer", change(around(point, 13), HOVER, 12)),
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
        for i, line in enumerate(inputs):  # paced as a hand paces them: the toolkit drops a motion that comes too soon
            time.sleep(0.15 if i else 0)
            send(line)
        sent, polled = time.monotonic(), []  # each screenshot, with the time it was taken after the input
        seen = within(0.5, lambda: polled.append((time.monotonic() - sent, grab(area))) or shows(before, polled[-1][1]), 0)
        (shown_after, now), shown, full = polled[-1], settled(area), full_repaint()
        # While a button is held, no move hovers again: the ring that the pointer's leave took away stays away.
        ring = lambda x, y: dragging and 7 < math.hypot(x + 0.5 - dragging[0][0], y + 0.5 - dragging[0][1]) < 12.5
        differing = differ(shown, full, ring)
        shots = {f"{step}-1-before": before, f"{step}-2-last-polled": now, f"{step}-3-settled": shown,
                 f"{step}-4-full-repaint": full}
        check(seen, f"{step}: {expected}, in the screenshot " + (
            f"{shown_after * 1000:.0f} ms after the input" if seen else "not within 500 ms"), **shots)
        check(not differing, f"{step}: the screen " + (f"differs from a full repaint at {len(differing)} pixels, from "
              f"{min(differing)} to {max(differing)} of the picture" if differing else "as a full repaint shows it"), **shots)

    # F10 opens the File menu, below "File"; a click outside it closes it (Escape from wtype does not, here,
    # nor in a bare toolkit program). The window's own blank panel takes the click.
    send("release"), send(f"move {LEFT + 50} {TOP + 600}")
    menu = (LEFT, TOP + 50, 240, 160)
    before = settled(menu)
    send("keys -k F10")
    opened = settled(menu)
    send("press"), send("release")
    closed = settled(menu)
    shown, gone = len(differ(before, opened)) > 0.8 * 240 * 160, not differ(before, closed)
    check(shown and gone, f"F10: the File menu {'opened' if shown else 'did not open'} and "
          f"{'closed' if gone else 'did not close'} on a click outside it", F10_1=before, F10_2=opened, F10_3=closed)

    # The close box, with the steps' changes unsaved, brings up the question: Cancel keeps the window, Save
    # saves and ends the editor. The pointer answers (wtype's keys reach no GTK dialog here): in the focused
    # window, three buttons across its foot.
    walk = lambda node: [node] + [m for c in node.get("nodes", []) + node.get("floating_nodes", []) for m in walk(c)]
    editors = lambda: [w for w in walk(json.loads(run("swaymsg", "-t", "get_tree")))
                       if (w.get("name") or "").startswith("VORN Spline Editor")]
    # Once n windows of the editor show, within 5 s: the focused one's rectangle (or True).
    windows = lambda n: within(5, lambda: len(w := editors()) == n and next((e["rect"] for e in w if e["focused"]), True))
    for button, left in (("Cancel", 1), ("Save", 0)):
        run("swaymsg", WINDOW + "kill")
        box = windows(2)
        if isinstance(box, dict):
            send(f"move {box['x'] + box['width'] * (3 if left else 5) // 6} {box['y'] + box['height'] - 21}")
            time.sleep(0.3), send("press"), time.sleep(0.15), send("release")
        check(box and windows(left), f"close-{button}: the question came up and was answered")
    saved, example = (int(open(name).readline()) for name in ("track.txt", EXAMPLES + "/track.txt"))
    check(saved == example + 1, "close: the track saved, with the point the click made")
    print(f"{checks.count(True)} passed, {checks.count(False)} failed")
    sys.exit(1 if False in checks else 0)


if __name__ == "__main__":
    os.makedirs(SHOTS, exist_ok=True)
    os.chdir(tempfile.mkdtemp(prefix="vse-wayland."))
    signal.signal(signal.SIGTERM, lambda *_: fail(": interrupted"))
    signal.signal(signal.SIGALRM, lambda *_: fail(": the run took longer than 240 s"))
    signal.alarm(240)
    try:
        main(start())
    finally:
        for p in processes:
            p.kill(), p.wait()
        if getattr(sys.exc_info()[1], "code", 1) not in (0, 77) and os.path.exists("editor.log"):
            print("The editor's output:\n" + open("editor.log").read()[-2000:])
        shutil.rmtree(os.getcwd())
