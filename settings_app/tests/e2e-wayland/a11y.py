#!/usr/bin/env python3
"""What the Wayland cases read of the program's windows and controls: its accessibility tree on
the AT-SPI bus, since a Wayland client's windows cannot be looked up from outside. The only keys
it sends are focus-to's Tabs, through the compositor's keyboard (the FIFO of virtual_keyboard.c).

  a11y.py windows                        the titles of the program's shown windows, one a line
  a11y.py wait-window REGEX SECONDS      until a shown window's title matches; prints the title
  a11y.py wait-no-window REGEX SECONDS   until no shown window's title matches
  a11y.py wait-active REGEX SECONDS      until the active window's title matches
  a11y.py focus-to NAME FIFO SECONDS     types Tab until the control named NAME in the active
                                         window has the focus (each Tab seen to move it)
  a11y.py dump                           the active window's tree, for a failing case's log

Exit 0 on success, 1 when the deadline passed (with the reason on stderr).
"""
import re
import sys
import time

import dbus

ACC = "org.a11y.atspi.Accessible"
PROPS = "org.freedesktop.DBus.Properties"
ROOT = ("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root")
# AT-SPI state bits.
ACTIVE, FOCUSED, SHOWING, VISIBLE = 1, 12, 25, 30
KEY_TAB = 15
MAX_NODES = 2000

_bus = None


def bus():
    global _bus
    if _bus is None:
        session = dbus.SessionBus()
        address = session.get_object("org.a11y.Bus", "/org/a11y/bus").GetAddress(
            dbus_interface="org.a11y.Bus")
        _bus = dbus.bus.BusConnection(str(address))
    return _bus


def proxy(ref):
    return bus().get_object(str(ref[0]), str(ref[1]), introspect=False)


def children(ref):
    return [(str(c[0]), str(c[1])) for c in proxy(ref).GetChildren(dbus_interface=ACC)]


def name(ref):
    return str(proxy(ref).Get(ACC, "Name", dbus_interface=PROPS))


def states(ref):
    s = proxy(ref).GetState(dbus_interface=ACC)
    return int(s[0]) | (int(s[1]) << 32)


def has(bits, state):
    return bool(bits & (1 << state))


def shown_windows():
    """(ref, title, active) of every shown top-level window of every application."""
    found = []
    for app in children(ROOT):
        try:
            for win in children(app):
                bits = states(win)
                if has(bits, SHOWING) or has(bits, VISIBLE):
                    found.append((win, name(win), has(bits, ACTIVE)))
        except dbus.exceptions.DBusException:
            continue  # an application going away while it is read
    return found


def focused_in(ref):
    """The name of the focused control under ref, or None (a bounded walk)."""
    stack, seen = [ref], 0
    while stack and seen < MAX_NODES:
        node = stack.pop()
        seen += 1
        if node is not ref and has(states(node), FOCUSED):
            return name(node)
        stack.extend(reversed(children(node)))
    return None


def active_window():
    for win, title, active in shown_windows():
        if active:
            return win, title
    return None, None


def poll(seconds, probe):
    """probe() until it returns a value other than None, for at most `seconds`."""
    deadline = time.monotonic() + seconds
    while True:
        try:
            value = probe()
        except dbus.exceptions.DBusException:
            value = None
        if value is not None:
            return value
        if time.monotonic() >= deadline:
            return None
        time.sleep(0.1)


def fail(message):
    print(message, file=sys.stderr)
    sys.exit(1)


def dump(ref, depth=0, budget=[300]):
    if budget[0] <= 0:
        return
    budget[0] -= 1
    bits = states(ref)
    marks = "".join(m for m, s in (("A", ACTIVE), ("F", FOCUSED), ("S", SHOWING)) if has(bits, s))
    print("  " * depth + repr(name(ref)) + " " + marks)
    for c in children(ref):
        dump(c, depth + 1)


def main(argv):
    command = argv[1] if len(argv) > 1 else ""
    if command == "windows":
        for _, title, active in shown_windows():
            print(title + ("  (active)" if active else ""))
        return
    if command in ("wait-window", "wait-no-window", "wait-active"):
        pattern, seconds = re.compile(argv[2]), float(argv[3])

        def probe():
            titles = [(t, a) for _, t, a in shown_windows()]
            if command == "wait-window":
                return next((t for t, _ in titles if pattern.search(t)), None)
            if command == "wait-active":
                return next((t for t, a in titles if a and pattern.search(t)), None)
            return "" if not any(pattern.search(t) for t, _ in titles) else None

        title = poll(seconds, probe)
        if title is None:
            fail(f"{command} {argv[2]}: not within {argv[3]} s; shown: "
                 f"{[t for _, t, _ in safe_windows()]}")
        if title:
            print(title)
        return
    if command == "focus-to":
        target, fifo, seconds = argv[2], argv[3], float(argv[4])
        deadline = time.monotonic() + seconds
        win = poll(seconds, lambda: active_window()[0])
        if win is None:
            fail("no active window")
        current = poll(2, lambda: focused_in(win))
        for _ in range(40):
            if current == target:
                return
            if time.monotonic() >= deadline:
                break
            with open(fifo, "w") as f:
                f.write(f"key {KEY_TAB}\n")
            before = current
            # The focus must move for each Tab: a keyboard that does nothing fails here.
            current = poll(2, lambda: (lambda n: n if n != before else None)(focused_in(win)))
            if current is None:
                fail(f"Tab did not move the focus from {before!r}")
        fail(f"the focus never reached {target!r} (last on {current!r})")
    if command == "dump":
        win, _ = active_window()
        if win is not None:
            dump(win)
        return
    fail(__doc__)


def safe_windows():
    try:
        return shown_windows()
    except dbus.exceptions.DBusException:
        return []


if __name__ == "__main__":
    main(sys.argv)
