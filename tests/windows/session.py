# What the Windows session needs of the X screen, run by Debian's Python, which has the X library:
#   session.py png PNG                          the screen as it is
#   session.py locate PICTURE.tga               the screen position of the picture's pixel (0, 0)
#   session.py check PICTURE.tga TRACK.txt PNG [ZOOM]
#       the screen to PNG; passes when every picture pixel on screen away from the path equals the file's
#       (each screen pixel showing the picture pixel under its centre, at ZOOM screen pixels a picture
#       pixel) and each point's marker shows in its type's colour; prints first where the picture's corner
#       shows and how much of it: X Y WIDTH HEIGHT
#   session.py drop WINDOW X Y FILE...          drops the files at root position X, Y as a desktop file
#       manager does (XDND), which Wine hands to Windows programs as a drop from Explorer
import os, signal, sys, urllib.parse
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from screen import MARKERS, RING, find, magick, tga, x_screen  # noqa: E402


def check(picture_file, track_file, png, zoom="1"):
    shot, picture, zoom = x_screen(), tga(picture_file), float(zoom)
    shot.png(png)
    ox, oy = find(shot, picture, zoom) or sys.exit("FAIL: the picture's top left corner is nowhere on the screen")
    source = lambda d: int((d + 0.5) / zoom)
    words = open(track_file).read().split()
    points = [[float(v) for v in line.split(",")] for line in words[1:1 + int(words[0])]]
    # World to picture pixel as the editor rounds it (add one half, truncate).
    pixels = [(int((x + 128) / 256 * picture.width + 0.5), int((128 - y) / 256 * picture.height + 0.5)) for x, y, *_ in points]
    # The canvas shows as much of the picture as fits: its first row and column, to where the screen stops matching.
    extent = lambda n, shows: next((d for d in range(int(n * zoom)) if not shows(d)), int(n * zoom))
    width = extent(picture.width, lambda x: ox + x < shot.width and shot.at(ox + x, oy) == picture.at(source(x), 0))
    height = extent(picture.height, lambda y: oy + y < shot.height and shot.at(ox, oy + y) == picture.at(0, source(y)))
    # Within 20 pixels of the path the borders, the start line and the markers may cover the picture (the
    # widest half-width here is under 6 units, 12 pixels on a 512-pixel picture): a mask, white there, of the
    # path stroked 40 pixels wide with round ends (its last point twice, which draws a path of one point).
    path = " ".join(f"{int(x * zoom) + 0.5},{int(y * zoom) + 0.5}" for x, y in pixels + pixels[-1:])
    mask = magick("convert", "-size", f"{width}x{height}", "xc:black", "+antialias", "-fill", "none", "-stroke", "white",
                  "-strokewidth", str(2 * int(20 * zoom)), "-draw", f"stroke-linecap round stroke-linejoin round polyline {path}")
    away = [(x, y) for y in range(height) for x in range(width) if mask.at(x, y) == (0, 0, 0)]
    differing = sum(shot.at(ox + x, oy + y) != picture.at(source(x), source(y)) for x, y in away)
    print(f"{ox} {oy} {width} {height}: the picture's corner on screen and how much of it shows; "
          f"{len(away)} pixels away from the path compared, {differing} differ")
    failures = [f"{differing} of {len(away)} picture pixels away from the path differ"] * bool(
        differing or len(away) < width * height // 3)
    # A marker's outline lies on the ring around its point, which GDI puts a pixel further right and down.
    shown = [(i, p, int(point[3])) for i, (p, point) in enumerate(zip(pixels, points))
             if 5 <= p[0] < width / zoom - 5 and 5 <= p[1] < height / zoom - 5]
    for i, (px, py), kind in shown:
        hits = max(shot.ring(ox + (px + d) * zoom, oy + (py + d) * zoom, MARKERS[kind], zoom, by=0) for d in (0, 1))
        failures += [f"point {i} at pixel ({px}, {py}): {hits} of the {len(RING)} pixels of its marker in its "
                     f"type's colour {MARKERS[kind]}"] * (hits < len(RING) - 8)
    print(f"{len(shown)} of {len(points)} points on screen with a marker checked")
    failures += ["no marker on screen"] * (not shown)
    print(*("FAIL: " + failure + "\n" for failure in failures), end="")
    return 1 if failures else 0


def drop(window, x, y, *files):
    from Xlib import X, display
    from Xlib.protocol import event
    d = display.Display()
    atom, root = d.intern_atom, d.screen().root
    source = root.create_window(-10, -10, 1, 1, 0, X.CopyFromParent, event_mask=X.PropertyChangeMask)
    # The window that takes drops is the top-level one with XdndAware, or one above it.
    target = d.create_resource_object("window", int(window, 0))
    while target.get_full_property(atom("XdndAware"), X.AnyPropertyType) is None:
        target = target.query_tree().parent
        if target.id == root.id:
            sys.exit(f"no window takes drops at or above {window}")
    # Names in any letters, as file managers send them: UTF-8, escaped.
    uris = "".join("file://" + urllib.parse.quote(os.path.abspath(f)) + "\r\n" for f in files).encode()
    source.set_selection_owner(atom("XdndSelection"), X.CurrentTime)
    send = lambda kind, *values: (target.send_event(event.ClientMessage(
        window=target, client_type=atom(kind), data=(32, (list(values) + [0] * 5)[:5])), event_mask=0), d.flush())
    send("XdndEnter", source.id, 5 << 24, atom("text/uri-list"))
    send("XdndPosition", source.id, 0, int(x) << 16 | int(y), X.CurrentTime, atom("XdndActionCopy"))
    signal.alarm(10)  # the drop finishes within 10 s, or this ends with "Alarm clock"
    dropped = False
    while True:
        e = d.next_event()
        if e.type == X.ClientMessage and e.client_type == atom("XdndStatus"):
            if not e.data[1][1] & 1:
                sys.exit("the window refused the drop")
            dropped = dropped or send("XdndDrop", source.id, 0, X.CurrentTime) or True
        elif e.type == X.SelectionRequest:  # the window asks for the names, written to the property it gave
            prop = e.property or e.target if e.target == atom("text/uri-list") else X.NONE
            if prop:
                e.requestor.change_property(prop, e.target, 8, uris)
            e.requestor.send_event(event.SelectionNotify(time=e.time, requestor=e.requestor, selection=e.selection,
                                                         target=e.target, property=prop), event_mask=0)
            d.flush()
        elif e.type == X.ClientMessage and e.client_type == atom("XdndFinished"):
            return 0


if __name__ == "__main__":
    locate = lambda picture: print(*(find(x_screen(), tga(picture)) or sys.exit("the picture is not on the screen")))
    commands = {"png": lambda png: x_screen().png(png) and None, "locate": locate, "check": check, "drop": drop}
    sys.exit(commands[sys.argv[1]](*sys.argv[2:]))
