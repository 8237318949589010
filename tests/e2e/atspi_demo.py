"""The demo station started from outside, and the X server seen as a window manager sees it.

Shared by the outside checks that drive the demo station (scripts/demo.sh) through AT-SPI:
starting it with accessibility on in a folder of the check's own, leaving the configuration
screen, and the X requests a window manager would make (closing a window by WM_DELETE_WINDOW,
the pixels shown on the screen) made through libX11 directly, so nothing beyond what
scripts/install-deps.sh installs is needed.
"""
import ctypes
import os
import subprocess
import tempfile

import pyatspi

from atspi_drive import find_in, press, showing, started_station, wait_for, walk

HERE = os.path.dirname(os.path.abspath(__file__))
DEMO = os.path.join(HERE, "..", "..", "scripts", "demo.sh")


def start_demo(build_dir, prefix):
    """Builds a fresh demo station folder and starts the station on it; returns (process, app,
    folder)."""
    folder = tempfile.mkdtemp(prefix=prefix)
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
               ZELVAN_DEMO_DIR=folder)
    # demo.sh ends by exec'ing the station, so the process started here is the station.
    station = subprocess.Popen(["bash", DEMO, build_dir], env=env)
    app = started_station(station)
    return station, app, folder


def stop(station):
    if station.poll() is None:
        station.kill()
    station.wait()


def window(app, caption):
    """The showing top-level window whose accessible name is `caption`."""
    for i in range(app.childCount):
        node = app.getChildAtIndex(i)
        try:
            if node is not None and node.name == caption and showing(node):
                return node
        except Exception:
            continue
    return None


def leave_config(app):
    config = wait_for(lambda: find_in(app, lambda n: n.description == "Config" and showing(n)),
                      "the configuration screen")
    press(find_in(config, lambda n: n.getRoleName() in ("push button", "menu item")
                  and n.name.replace("&", "") == "Exit and Save Parameters"))
    return wait_for(lambda: find_in(app, lambda n: n.description == "MainForm" and showing(n)),
                    "the main screen")


def extents(node):
    return node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)


def settings(folder):
    with open(os.path.join(folder, "DI05.ini")) as f:
        return dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)


def dialogs(app):
    return [n for n in walk(app) if n.getRoleName() in ("dialog", "alert") and showing(n)]


class XImage(ctypes.Structure):
    # The leading fields of Xlib's XImage, up to the ones read here.
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


class XClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 16)]


class XServer:
    """What a window manager does, without one: find a top-level window by its title, ask it to
    close, and read the pixels shown."""

    CLIENT_MESSAGE, Z_PIXMAP, ALL_PLANES = 33, 2, 0xFFFFFFFF

    def __init__(self):
        x = self.x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                                 ctypes.POINTER(ctypes.c_ulong),
                                 ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                                 ctypes.POINTER(ctypes.c_uint)]
        x.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                 ctypes.POINTER(ctypes.c_char_p)]
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XInternAtom.restype = ctypes.c_ulong
        x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                 ctypes.c_void_p]
        x.XFlush.argtypes = [ctypes.c_void_p]
        x.XDisplayWidth.argtypes = x.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x.XGetImage.restype = ctypes.POINTER(XImage)
        x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.display = x.XOpenDisplay(None)
        if not self.display:
            raise SystemExit("cannot open the X display")
        self.root = x.XDefaultRootWindow(self.display)
        self.size = (x.XDisplayWidth(self.display, 0), x.XDisplayHeight(self.display, 0))

    def windows_titled(self, title):
        root, parent = ctypes.c_ulong(), ctypes.c_ulong()
        children, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
        if not self.x11.XQueryTree(self.display, self.root, ctypes.byref(root),
                                   ctypes.byref(parent), ctypes.byref(children),
                                   ctypes.byref(count)):
            return []
        found = []
        for i in range(count.value):
            name = ctypes.c_char_p()
            if self.x11.XFetchName(self.display, children[i], ctypes.byref(name)) and name.value:
                if name.value.decode("utf-8", "replace") == title:
                    found.append(children[i])
                self.x11.XFree(name)
        if children:
            self.x11.XFree(children)
        return found

    def close(self, title):
        """Sends WM_DELETE_WINDOW to every top-level window titled `title`, as a window
        manager's close button does; returns how many were asked."""
        protocols = self.x11.XInternAtom(self.display, b"WM_PROTOCOLS", 0)
        delete = self.x11.XInternAtom(self.display, b"WM_DELETE_WINDOW", 0)
        targets = self.windows_titled(title)
        for win in targets:
            event = XClientMessage(type=self.CLIENT_MESSAGE, send_event=1, window=win,
                                   message_type=protocols, format=32)
            event.data[0] = delete
            event.data[1] = 0  # CurrentTime
            self.x11.XSendEvent(self.display, win, 0, 0, ctypes.byref(event))
        self.x11.XFlush(self.display)
        return len(targets)

    def pixels(self, x, y, width, height):
        """The screen's pixels in a rectangle as rows of (r, g, b)."""
        image = self.x11.XGetImage(self.display, self.root, x, y, width, height,
                                   self.ALL_PLANES, self.Z_PIXMAP)
        if not image:
            raise SystemExit("cannot read the screen")
        im = image.contents
        if im.bits_per_pixel != 32:
            raise SystemExit(f"a {im.bits_per_pixel}-bit screen is not read here")
        raw = ctypes.string_at(im.data, im.bytes_per_line * im.height)
        rows = []
        for row in range(im.height):
            line = raw[row * im.bytes_per_line: row * im.bytes_per_line + 4 * im.width]
            # Little-endian BGRX on the usual 24-bit visual.
            rows.append([(line[i + 2], line[i + 1], line[i]) for i in range(0, len(line), 4)])
        self.x11.XFree(im.data)
        self.x11.XFree(image)
        return rows
