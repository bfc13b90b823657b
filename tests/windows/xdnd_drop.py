#!/usr/bin/env python3
"""Drops files on a window as a desktop file manager does, through the X
drag-and-drop protocol (XDND), which Wine hands to Windows programs as the
drop of files from Explorer.
    xdnd_drop.py WINDOW X Y FILE...    X, Y: the root position dropped at
Exits 0 once the window has taken the files and said it is finished."""
import os
import sys
import time
import urllib.parse

from Xlib import X, display
from Xlib.protocol import event


def main():
    target_id, x, y = int(sys.argv[1], 0), int(sys.argv[2]), int(sys.argv[3])
    files = [os.path.abspath(name) for name in sys.argv[4:]]
    d = display.Display()
    atom = d.intern_atom
    root = d.screen().root
    source = root.create_window(-10, -10, 1, 1, 0, X.CopyFromParent, event_mask=X.PropertyChangeMask)
    d.flush()
    # The window that takes drops is the top-level one with XdndAware, or one above it.
    target = d.create_resource_object("window", target_id)
    while target.get_full_property(atom("XdndAware"), X.AnyPropertyType) is None:
        parent = target.query_tree().parent
        if parent is None or parent.id == root.id:
            sys.exit(f"no window takes drops at or above {target_id:#x}")
        target = parent
    uri_list = atom("text/uri-list")
    # Names in any letters, as file managers send them: UTF-8, escaped.
    data = "".join("file://" + urllib.parse.quote(name) + "\r\n" for name in files).encode()
    source.set_selection_owner(atom("XdndSelection"), X.CurrentTime)

    def send(kind, values):
        message = event.ClientMessage(window=target, client_type=atom(kind),
                                      data=(32, (values + [0] * 5)[:5]))
        target.send_event(message, event_mask=0)
        d.flush()

    send("XdndEnter", [source.id, 5 << 24, uri_list, 0, 0])
    send("XdndPosition", [source.id, 0, (x << 16) | y, X.CurrentTime, atom("XdndActionCopy")])
    deadline = time.time() + 10
    dropped = False
    while time.time() < deadline:
        if not d.pending_events():
            time.sleep(0.02)
            continue
        e = d.next_event()
        if e.type == X.ClientMessage and e.client_type == atom("XdndStatus"):
            if not e.data[1][1] & 1:
                sys.exit("the window refused the drop")
            if not dropped:
                send("XdndDrop", [source.id, 0, X.CurrentTime])
                dropped = True
        elif e.type == X.SelectionRequest:
            # The window asks for the names: written to the property it gave.
            prop = e.property or e.target
            if e.target == uri_list:
                e.requestor.change_property(prop, uri_list, 8, data)
            else:
                prop = X.NONE
            e.requestor.send_event(event.SelectionNotify(time=e.time, requestor=e.requestor,
                                                         selection=e.selection, target=e.target,
                                                         property=prop), event_mask=0)
            d.flush()
        elif e.type == X.ClientMessage and e.client_type == atom("XdndFinished"):
            return
    sys.exit("the drop did not finish within 10 s")


if __name__ == "__main__":
    main()
